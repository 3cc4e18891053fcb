// Data structures: the string grid, the compact containers, checksums,
// digests, encodings and combinatorics.
#pragma once
#include "zel/dstruct/ascii85.h"
#include "zel/dstruct/assocarray.h"
#include "zel/dstruct/base64.h"
#include "zel/dstruct/bitfld.h"
#include "zel/dstruct/bytematrix.h"
#include "zel/dstruct/combinatorics.h"
#include "zel/dstruct/crc.h"
#include "zel/dstruct/featmatrix.h"
#include "zel/dstruct/fifo.h"
#include "zel/dstruct/logicop.h"
#include "zel/dstruct/rlencoder.h"
#include "zel/dstruct/sha1.h"
#include "zel/dstruct/stacks.h"
#include "zel/dstruct/stringarray.h"
