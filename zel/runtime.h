// The runtime services every zel module builds on: types, text encodings,
// exceptions, the object model, streams, conversions and the random generator,
// and the graphics runtime (bitmaps, canvases, the printer).
#pragma once

#include "zel/export.h"
#include "zel/runtime/bitmap.h"
#include "zel/runtime/canvas.h"
#include "zel/runtime/classes.h"
#include "zel/runtime/dialogs.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filemode.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/font.h"
#include "zel/runtime/graphics_types.h"
#include "zel/runtime/printer.h"
#include "zel/runtime/random.h"
#include "zel/runtime/realstr.h"
#include "zel/runtime/registry.h"
#include "zel/runtime/safefile.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/stringlist.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/textfile.h"
#include "zel/runtime/types.h"
#include "zel/runtime/utf8.h"
#include "zel/runtime/variant.h"
