// Data structures: the string grid, checksums, digests and encodings.
#pragma once
#include "zel/dstruct/ascii85.h"
#include "zel/dstruct/base64.h"
#include "zel/dstruct/crc.h"
#include "zel/dstruct/featmatrix.h"
#include "zel/dstruct/sha1.h"
#include "zel/dstruct/stringarray.h"
