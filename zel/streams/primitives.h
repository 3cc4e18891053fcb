// Reading and writing values, lines and texts on byte streams.
//
// These free functions work on any TStream. Two conventions hold throughout:
//  - text on a stream is one byte per character: writing keeps the low byte of
//    each UTF-16 unit (characters above U+00FF lose their high byte), reading
//    turns each byte into the character of the same code (0..255).
//    StreamAsString is the one exception: it reads UTF-16LE;
//  - binary values are their little-endian in-memory images with no header:
//    Longint 4 bytes, Single 4, Double 8, Extended 10 (x87 80-bit format:
//    bytes 0-7 the significand with its explicit integer bit, bytes 8-9 the
//    sign bit 15 and the 15-bit exponent biased by 16383).
//
// Every reader starts at the stream's current position and leaves it just
// after the last byte it consumed (ReadStreamUntil alone sets the position
// explicitly). The byte-at-a-time readers (ReadLnStream, FindInStream, the
// number scanners, CountLinesInStream) take their bytes through the stream's
// read window (TStream::ReadWindow), so memory and file streams cost no
// virtual call or system call per byte; other streams are read with one
// Read call per byte, exactly as before. An exception raised by a stream's
// Read passes to the caller; the bytes consumed before it stay consumed.
#pragma once

#include <cstdint>
#include <functional>

#include "zel/runtime/stream.h"
#include "zel/runtime/types.h"

namespace zel {

class TStringList;

// ---- writing -------------------------------------------------------------------

// Writes the low byte of each character of AString to AStream, through a
// 4096-byte buffer. The stream's write error (EWriteError) passes to the
// caller.
ZEL_API void WriteStringStream(TStream& AStream, const String& AString);
// WriteStringStream of AString to AStream, then the bytes 13, 10 (CR LF).
ZEL_API void WriteLnStream(TStream& AStream, const String& AString);

// Writes the 4-byte image of Value to AStream.
ZEL_API void WriteLongintToStream(TStream& AStream, int32_t Value);
// Writes the 4-byte image of Value to AStream.
ZEL_API void WriteSingleToStream(TStream& AStream, float Value);
// Writes the 8-byte image of Value to AStream.
ZEL_API void WriteDoubleToStream(TStream& AStream, double Value);
// Writes 10 bytes of Value to AStream: the x87 extended image (no padding
// bytes).
ZEL_API void WriteExtendedToStream(TStream& AStream, long double Value);

// ---- binary readers ----------------------------------------------------------
// A zero-filled buffer of the value's size is filled with ReadBuffer. Error is
// false when all bytes arrived; when the read raised (short stream, or any
// exception of the stream), the exception is swallowed and Error is true. The
// result is the value whose image is in the buffer: a short read gives the
// bytes that arrived followed by zero bytes. These functions never raise.

// Reads a 4-byte integer from AStream; Error as above.
ZEL_API int32_t ReadLongintFromStream(TStream& AStream, bool& Error);
// Reads a 4-byte float from AStream; Error as above.
ZEL_API float ReadSingleFromStream(TStream& AStream, bool& Error);
// Reads an 8-byte double from AStream; Error as above.
ZEL_API double ReadDoubleFromStream(TStream& AStream, bool& Error);
// Reads a 10-byte extended image from AStream; Error as above. The result is
// the value of the image exactly as the processor reads it.
ZEL_API long double ReadExtendedFromStream(TStream& AStream, bool& Error);

// ---- lines, bytes and texts --------------------------------------------------

// End-of-line modes of ReadLnStream (and of TMixedFStream::ReadLn).
inline constexpr int32_t eolLF = 0;      // a LF byte ends the line
inline constexpr int32_t eolCR = 1;      // a CR byte
inline constexpr int32_t eolCRorLF = 2;  // a CR or a LF, whichever comes first
inline constexpr int32_t eolLFCR = 3;    // a CR directly after a LF
inline constexpr int32_t eolCRLF = 4;    // a LF directly after a CR
// Any other value: the line runs to the end of the stream.

// Reads one line from AStream, one character per byte, ended as EOLMode says
// (one of the modes above). EndOfStream is set when no byte could be read
// before the stream ran out. When the line ended by the mode's condition, up
// to two trailing CR/LF characters (any combination) are removed; when the
// stream ran out, nothing is removed. A line that ends exactly at the end of
// the stream returns with EndOfStream false; the next call returns the empty
// text with EndOfStream true. CR and LF inside a line are kept (in mode 1 on
// CR LF text every line after the first begins with the LF of the previous
// line end). Memory: the line itself (2 bytes per byte).
ZEL_API String ReadLnStream(TStream& AStream, bool& EndOfStream, int32_t EOLMode);
// The same (AStream and EOLMode as above), reading the line into Line (whose
// previous text is replaced) and reusing its capacity, so a loop over a text
// allocates only when a line is longer than every line before it. Line and
// EndOfStream are exactly what the form above returns and sets.
ZEL_API void ReadLnStream(TStream& AStream, String& Line, bool& EndOfStream, int32_t EOLMode);

// Skips AStream to just after the next byte equal to B: true if found, false
// when the stream ran out (the position is then at the end).
ZEL_API bool FindInStream(TStream& AStream, uint8_t B);

// The rest of AStream as UTF-16LE text: read in blocks of 256 bytes, each
// block's bytes taken in pairs (an odd last byte of a block is dropped).
ZEL_API String StreamAsString(TStream& AStream);
// The rest of AStream, one character per byte.
ZEL_API String StreamAsByteString(TStream& AStream);

// Reads AStream up to and including the first occurrence of Delimiter (ASCII
// letters compared without regard to case) and returns that text as read,
// Found = 0, the position just after the delimiter. Found is set to -1 first;
// when the delimiter does not occur (or is empty) Found stays -1, the result
// is the whole rest of the stream and the position is at its end. Blocks read
// past the delimiter are given back by moving the position; a stream that
// cannot go back (a pipe: Position() < 0) is read one byte at a time instead,
// so nothing after the delimiter is taken from it, and a stream that reports a
// position but does not return to it raises EStreamError.
ZEL_API String ReadStreamUntil(TStream& AStream, const String& Delimiter, int32_t& Found);

// Reads a signed decimal integer from AStream: skips blanks, LF and CR, takes
// one optional '-' or '+', then digits (32-bit arithmetic that wraps around).
// The byte that ends the number is consumed too. No digits give 0.
ZEL_API int32_t ScanStreamDecimal(TStream& AStream);

// Decimal separator codes of ScanStreamFPNum (and TMixedFStream::ReadFPNum).
inline constexpr int32_t dpsFullStop = 1;  // "." separates the fraction
inline constexpr int32_t dpsComma = 2;     // "," separates the fraction
inline constexpr int32_t dpsBoth = 3;      // "." or "," separates the fraction
// Any other value: no decimal separator, the number has no fractional part.

// Reads a floating-point number from AStream with a small state machine
// (leading blanks, TABs, LF and CR skipped; optional sign; digits; separator
// per DecPChar; fraction; with AllowExp an exponent "E" or "e" with optional
// sign). The byte that ends the number (or the malformed byte) is consumed. A
// malformed number gives 0. Exponent digits stop being copied once the
// exponent passes 4200, so huge exponents stay cheap; the result is clamped to
// +-1.7e308 and NaN never results. The end of the stream ends a number like a
// letter.
ZEL_API double ScanStreamFPNum(TStream& AStream, bool AllowExp, int32_t DecPChar);

// Counts the LF bytes of AStream from the current position to the end of the
// stream and leaves the position at the end. Raises EIntOverflow when the
// count does not fit an Integer.
ZEL_API int32_t CountLinesInStream(TStream& AStream);

// ---- extracting and replacing -------------------------------------------------

// Copies byte ranges of InStream to the end of OutStream, in the order of the
// entries of Ranges. Each entry is "Offset,Count" in decimal (blanks allowed
// around the numbers): Count bytes starting at byte Offset of InStream
// (counted from its start, not from its position); a Count of "*" or an
// omitted Count means "to the end of InStream". Ranges that reach beyond the
// end of InStream are cut at the end; empty entries are ignored. A malformed
// entry raises EConvertError naming it ("Invalid range "x" in extraction
// list"), before anything is written. InStream is left after the last byte
// copied (unchanged if nothing was copied); OutStream after what was written.
// InStream may be OutStream itself: the ranges are then taken from its bytes
// as they were before the call, and appended to it.
ZEL_API void ExtractFromStream(TStream& InStream, TMemoryStream& OutStream,
                               const TStringList& Ranges);

// Called by SearchAndReplace for each match: Found is the matched text (one
// character per byte), Replacement starts as the replacement text and may be
// changed.
using TSearchReplaceEvent = std::function<void(const String& Found, String& Replacement)>;

// Replaces occurrences of SearchText in the bytes of InStream by ReplaceText
// and stores the result in OutStream (which is emptied first; InStream and
// OutStream may be the same stream).
//  - Text is one byte per character; IgnoreCase folds the ASCII letters.
//  - Only bytes from StartPos on (0-based byte offset; below 0 counts as 0) are
//    searched; the bytes before it are copied unchanged.
//  - MaxCount limits the number of replacements; 0 or less means no limit.
//  - With a non-empty EndText, a match runs from SearchText up to and including
//    the next EndText after it; without a following EndText there is no match.
//    So <!-- and --> replace whole comments.
//  - OnReplace (when assigned) is called for every match with the matched text
//    and the replacement, which it may change.
// Occurrences never overlap and replaced text is never searched again. An
// empty SearchText copies the input unchanged. Afterwards InStream is at its
// end and OutStream after the last byte written.
ZEL_API void SearchAndReplace(TMemoryStream& InStream, TMemoryStream& OutStream,
                              const String& SearchText, const String& ReplaceText, bool IgnoreCase,
                              int32_t StartPos, int32_t MaxCount, const String& EndText,
                              const TSearchReplaceEvent& OnReplace);

}  // namespace zel
