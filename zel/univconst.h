// Mathematical constants: extended-precision values and the ln(n!) table.
#pragma once

#include "zel/univconst/constants.h"
#include "zel/univconst/lnfactorial.h"
