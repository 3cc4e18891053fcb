// Environment, system directories, memory figures, the network adapter
// address and invented passwords.
//
// The operating-system facts come through zel/platform (environment.h,
// sysinfo.h, network.h), whose headers say which Linux sources they read.
// None of these functions keeps state of its own: they may be called from
// several threads at once, except the password functions that draw from the
// shared generator of zel/runtime/random.h.
#pragma once

#include <cstdint>

#include "zel/export.h"
#include "zel/runtime/types.h"

namespace zel {

// The value of the last environment entry whose name equals Name without
// regard to ASCII case ("path" finds "PATH=..."); empty when none matches or
// Name is empty.
ZEL_API String GetEnviroVar(const String& Name);

// The system directory ("/usr/lib", where the shared libraries live) and the
// operating system's directory ("/usr"), without a trailing separator.
ZEL_API String GetSystemDir();
// The operating system's directory ("/usr"), without a trailing separator.
ZEL_API String GetWindowsDir();
// The temporary directory ($TMPDIR when it is an existing directory, else
// /tmp) in canonical form with a trailing '/'; empty when there is none.
ZEL_API String GetTempDir();

// Total and available physical memory in bytes (both 0 first); false when
// the figures cannot be read.
ZEL_API bool GetMemoryStatus(uint64_t& Total, uint64_t& Available);
// The bytes the program's allocator has handed out and not taken back.
ZEL_API int64_t GetMemoryUsed();

// Status codes of GetMacAddress.
inline constexpr int32_t macDone = 0;
inline constexpr int32_t macBadKind = -1;      // Kind is neither 1 nor 2
inline constexpr int32_t macOutOfMemory = -2;  // memory ran out listing the adapters
inline constexpr int32_t macNoAdapters = -3;   // the system lists no adapters at all

// The hardware address of the first adapter of a kind (1 wired Ethernet,
// 2 wireless), as upper-case hexadecimal byte pairs joined by '-'
// ("00-1A-2B-3C-4D-5E"). Address starts as "00-00-00-00-00-00" and keeps that
// text when no adapter of the kind has an address (the result is still 0).
// Adapters backed by a device come before virtual ones of the same kind.
// Returns 0, -1 for another kind, -2 when memory ran out, -3 when the system
// lists no adapters at all; other failures raise EInOutError.
ZEL_API int32_t GetMacAddress(int32_t Kind, String& Address);

// A pronounceable password from the shared generator (Random), so a given
// RandSeed gives the same password. Length is clamped to 4..14. An odd length
// starts with a vowel (aeiouy); then come consonant-vowel pairs; two decimal
// digits (Random(100), two places) are inserted before the 7th character, or
// appended to a shorter word. Length 4 gives consonant, vowel, digit, digit;
// 10 gives six letters, two digits, two letters.
ZEL_API String InventPassword(int32_t Length);
// As above, then, for positions 1..min(Length as given, password length):
// with MixedCase, one draw of Random() per position and a lower-case letter
// becomes upper case when it is above 0.5; after that pass, with Special, one
// draw per position and, above 0.8, the character is replaced by
// Random(16): 0..5 one of "_!$%#=", 6..15 a digit 0..9.
ZEL_API String InventPassword(int32_t Length, bool MixedCase, bool Special);

// The same kind of password drawn from the operating system's secure random
// source instead of the shared generator, for passwords that are really
// used: each draw is uniform (no modulo bias), and the MixedCase and Special
// passes cover every position of the password. About 48
// bits of entropy at length 14 without options, 30 at length 8; mixed case
// adds about one bit per letter.
ZEL_API String InventPasswordSecure(int32_t Length, bool MixedCase, bool Special);

}  // namespace zel
