// Base types, enumerations, name and language tables, errors and module start-up.
#pragma once

#include "zel/base/errors.h"
