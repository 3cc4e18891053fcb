// Cyclic redundancy checks: CRC-16 in two modes and the common CRC-32.
//
// Parameters (Rocksoft model):
//   CRC-16, crcZModem: width 16, poly 0x1021, init 0x0000, refin/refout
//     false, xorout 0x0000, check 0x31C3 (CRC-16/XMODEM).
//   CRC-16, crcCCITT:  as above with init 0xFFFF, check 0x29B1
//     (CRC-16/IBM-3740, "CCITT-FALSE").
//   CRC-32: width 32, poly 0x04C11DB7, init 0xFFFFFFFF, refin/refout true,
//     xorout 0xFFFFFFFF, check 0xCBF43926 (CRC-32/ISO-HDLC, as zlib and zip).
// "check" is the CRC of the nine ASCII digits "123456789".
//
// CRC-32 values travel as int32_t holding the CRC's bit pattern
// (0xCBF43926 is returned as the negative number -873187034).
//
// The single-byte steps use the 256-entry tables of
// zel/dstruct/internal/crc_tables.h. The buffer and file functions give the
// same results as loops over those steps but run on the fastest exact method
// the processor offers (carry-less multiplication folding with PCLMULQDQ or
// VPCLMULQDQ, else slicing-by-8), chosen at run time.
#pragma once

#include <cstdint>

#include "zel/export.h"
#include "zel/runtime/types.h"

namespace zel {

// Selects only the initial register of the 16-bit CRC.
enum TCRC16Mode : uint8_t { crcZModem, crcCCITT };

// Data byte b through the 16-bit register crc: returns the next register.
// Start from 0 (crcZModem) or 0xFFFF (crcCCITT); the final register is the CRC.
ZEL_API uint16_t CalcNextCRC16(uint8_t b, uint16_t crc);

// CRC-16 of the first NumData bytes of Buffer. NumData <= 0 processes nothing
// (the result is then 0 or 0xFFFF by mode); a count beyond the array's
// length is cut to the length, so the function never reads past the array.
ZEL_API uint16_t CRC16ofBuffer(const TBytes& Buffer, int32_t NumData, TCRC16Mode Mode);

// Data byte b through the 32-bit register crc (logical shift). Start from -1
// (0xFFFFFFFF) and invert the final register to get the CRC.
ZEL_API int32_t CalcNextCRC32(uint8_t b, int32_t crc);

// CRC-32 of the first NumData bytes of Buffer (inverted register), with the
// same count rules as CRC16ofBuffer; no bytes give 0.
ZEL_API int32_t CRC32ofBuffer(const TBytes& Buffer, int32_t NumData);

// CRC-32 of the whole file FName, read-only. Never raises for input/output
// failures: a file that cannot be opened or read to its end gives 0 (which is
// also the CRC of an empty file). The process-wide file-open mode is the same
// after the call as before it.
ZEL_API int32_t CalcCRC32ofFile(const String& FName);

}  // namespace zel
