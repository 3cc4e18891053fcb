// The narrow interfaces through which the library reaches the processor and
// the operating system, one header per concern (see zel/platform/backend.h).
#pragma once

#include "zel/platform/backend.h"
#include "zel/platform/cpu_features.h"
#include "zel/platform/descriptors.h"
#include "zel/platform/dialog.h"
#include "zel/platform/errors.h"
#include "zel/platform/fonts.h"
#include "zel/platform/glyphs.h"
#include "zel/platform/images.h"
#include "zel/platform/localtime.h"
#include "zel/platform/printing.h"
#include "zel/platform/process.h"
#include "zel/platform/processor.h"
#include "zel/platform/read_file.h"
#include "zel/platform/scratch.h"
#include "zel/platform/terminal.h"
