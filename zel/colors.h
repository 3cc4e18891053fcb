// Colours: model conversions, names, palettes, the hexadecimal form and the
// colour array component.
#pragma once

#include "zel/colors/colorarray.h"
#include "zel/colors/colormodels.h"
#include "zel/colors/colornames.h"
