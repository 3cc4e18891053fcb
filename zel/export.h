// Symbol visibility for the zel shared library.
//
// The library is built with hidden visibility; ZEL_API marks what it exports.
// This header depends on nothing, so every folder of the library, the
// platform layer at the bottom included, may include it.
#pragma once

#if defined(ZEL_STATIC)
#define ZEL_API
#elif defined(__GNUC__) || defined(__clang__)
#define ZEL_API __attribute__((visibility("default")))
#else
#define ZEL_API
#endif
