// Kept for this release so that code including the export macro from its old
// place still builds; include "zel/export.h" instead.
#pragma once

#include "zel/export.h"
