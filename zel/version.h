// The zel library version (semantic versioning).
#pragma once

#define ZEL_VERSION_MAJOR 0
#define ZEL_VERSION_MINOR 1
#define ZEL_VERSION_PATCH 0
#define ZEL_VERSION_STRING "0.1.0"
