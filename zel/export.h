// Symbol visibility for the zel shared library.
//
// The library is built with hidden visibility; ZEL_API marks what it exports.
// This header depends on nothing, so every folder of the library, the
// platform layer at the bottom included, may include it.
#pragma once

#if defined(ZEL_STATIC)
#define ZEL_API
#elif defined(_WIN32)
// A DLL exports exactly what is marked (else the linker would export every
// symbol, the static C++ runtime's included), and programs import it.
#if defined(ZEL_BUILDING_LIBRARY)
#define ZEL_API __declspec(dllexport)
#else
#define ZEL_API __declspec(dllimport)
#endif
#elif defined(__GNUC__) || defined(__clang__)
#define ZEL_API __attribute__((visibility("default")))
#else
#define ZEL_API
#endif
