// Symbol visibility for the zel shared library.
//
// The library is built with hidden visibility; ZEL_API marks what it exports.
#pragma once

#if defined(ZEL_STATIC)
#define ZEL_API
#elif defined(__GNUC__) || defined(__clang__)
#define ZEL_API __attribute__((visibility("default")))
#else
#define ZEL_API
#endif
