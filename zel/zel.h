// Everything zel offers, in one include.
#pragma once

#include "zel/version.h"
#include "zel/runtime.h"
#include "zel/univconst.h"
#include "zel/base.h"
#include "zel/stringl.h"
#include "zel/streams.h"
#include "zel/dstruct.h"
#include "zel/filesys.h"
