// CPU identification: vendor, signature, feature words, brand name, clock.
#pragma once

#include "zel/cpuid/cpuid.h"
#include "zel/cpuid/flagnames.h"
