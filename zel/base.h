// Base types, enumerations, name and language tables, errors and module start-up,
// the persistent settings of text labels, crosshairs and date/time labels, and
// the drawing helpers (frames, marks).
#pragma once

#include "zel/base/crosshair.h"
#include "zel/base/csvdelim.h"
#include "zel/base/drawing.h"
#include "zel/base/dtlabel.h"
#include "zel/base/errors.h"
#include "zel/base/htmlentities.h"
#include "zel/base/langtables.h"
#include "zel/base/modules.h"
#include "zel/base/nametables.h"
#include "zel/base/progress.h"
#include "zel/base/textlabel.h"
#include "zel/base/types.h"
