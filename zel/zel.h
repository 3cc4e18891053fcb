// Everything zel offers, in one include.
#pragma once

#include "zel/base.h"
#include "zel/colors.h"
#include "zel/cpuid.h"
#include "zel/dstruct.h"
#include "zel/filesys.h"
#include "zel/htmlsupport.h"
#include "zel/platform.h"
#include "zel/runtime.h"
#include "zel/streams.h"
#include "zel/stringl.h"
#include "zel/univconst.h"
#include "zel/version.h"
