// Text file utilities: encoding detection, appending and clearing, searching,
// extracting a tagged passage, the last lines of a file, counting lines,
// reading words, filtering lines by number, repairing line ends, and the
// four-line header of the library's ASC data files.
//
// All of them work through the runtime's TextFile (zel/runtime/textfile.h),
// so they share its conventions on this platform: 8-bit text is UTF-8, and a
// line that is not valid UTF-8 is read as Windows-1252; a read line ends at
// CR (a following LF is consumed with it), at CR LF and at a bare LF; written
// lines end with CR LF and are UTF-8. End of file is tested before every
// read, so an empty file has no lines.
//
// Case: "lower-case" means ASCII letters only (LowerCase) unless AnsiLowerCase
// (locale-aware) is named. Substring search is 1-based, 0 meaning not found;
// an empty search string is never found.
//
// Errors: failing to open, read, write or close a file raises EInOutError
// (with the operating system's errno value, see TextFile), except where a
// function reports a status: ReadHeaderOfASC for the contents of the header,
// FilterCopyTextFile, and ReadStringFromTextFile for a missing file.
// Functions that take a file name open and close it themselves; functions
// that take a TextFile& leave it open and say where it stands afterwards.
#pragma once

#include <cstdint>

#include "zel/base/types.h"
#include "zel/runtime/textfile.h"
#include "zel/runtime/types.h"

namespace zel {

class TStream;
class TStringList;

// The encoding of a text file as CheckTextFileType tells it from the file's
// first bytes.
enum TTextfileType : uint8_t {
  tftUnicode_le,   // UTF-16 little-endian (FF FE)
  tftUnicode_be,   // UTF-16 big-endian (FE FF)
  tftUnicode4_le,  // UTF-32 little-endian (FF FE 00 00)
  tftUnicode4_be,  // UTF-32 big-endian (00 00 FE FF)
  tftRTF,          // Rich Text Format ("{\r")
  tftUTF8,         // UTF-8 with its mark (EF BB BF)
  tftUnknown       // none of the above (also an empty file)
};

// The encoding the file FileName announces with its first bytes. Up to 4 bytes
// are read and only the bytes actually read are compared, tested in this
// order: EF BB BF UTF-8; FF FE 00 00 and 00 00 FE FF the 4-byte forms; FF FE
// and FE FF the 2-byte forms; 7B 5C 72 ("{\r") RTF; else tftUnknown. So a
// 2-byte file FF FE is tftUnicode_le, and a little-endian 16-bit file whose
// first character is U+0000 reads as tftUnicode4_le. An empty file is
// tftUnknown. The file is opened for reading only (whatever FileMode says): a
// read-only file can be tested. A missing file raises EInOutError.
ZEL_API TTextfileType CheckTextFileType(const String& FileName);

// Appends Line (or each line of Lines, in order) to the file FileName; a file
// that does not exist is created. Any other failure to open it (a read-only
// file, no permission, a folder) raises EInOutError "Cannot open file ..."
// with that reason.
ZEL_API void AppendToTextFile(const String& FileName, const String& Line);
ZEL_API void AppendToTextFile(const String& FileName, const TStringList& Lines);

// Truncates the file FileName (creating it if needed) and writes one empty
// line, so it holds exactly CR LF afterwards.
ZEL_API void ClearTextFile(const String& FileName);

// The text of the file FileName between StartTag and EndTag, which are matched
// ignoring ASCII case; the text keeps the case it has in the file. Every line
// copied (the one holding the start tag from just after the tag, the one
// holding the end tag up to just before it) is appended with CR LF. An empty
// StartTag copies from the first line, an empty EndTag to the end of the file.
// A missing file gives the empty text; a start tag that never occurs, too.
ZEL_API String ReadStringFromTextFile(const String& FileName, const String& StartTag,
                                      const String& EndTag);

// The last N lines of the open text file F, oldest first, in exactly N entries:
// a file with fewer lines gives leading empty strings, then all its lines.
// NLinesRead receives the number of lines in the file. The file is reset
// before and after reading, so it stays open at its first line. N < 1 gives
// an empty array (the lines are still counted). Memory: min(N, lines) lines
// while reading, plus the N entries of the result, which are made first: an N
// that memory cannot hold raises EOutOfMemory before the file is read.
ZEL_API TStrArray ReadLastNLinesOfTextFile(TextFile& F, int32_t N, int32_t& NLinesRead);
// The same (the last N lines, NLinesRead receiving the number of lines) on
// the file FileName, which is opened and closed again.
ZEL_API TStrArray ReadLastNLinesOfTextFile(const String& FileName, int32_t N, int32_t& NLinesRead);

// The number of lines of the open text file F (as many as ReadLn would read
// before Eof). After every 1000th line Progress, when given, is called with a
// nil sender, the count so far and 0. The file is reset before and after
// counting. The lines are not decoded, so counting costs little more than
// reading the bytes. A count beyond the Integer range raises EIntOverflow.
ZEL_API int32_t CountLinesInTextFile(TextFile& F, const TFeedbackProc& Progress);
// The same (Progress called in the same way) on the file FileName, which is
// opened and closed again.
ZEL_API int32_t CountLinesInTextFile(const String& FileName, const TFeedbackProc& Progress);

// Status values of ReadHeaderOfASC.
inline constexpr int32_t ascOK = 0;
inline constexpr int32_t ascBadFirstCount = -1;      // no count > 0 on line 2
inline constexpr int32_t ascBadSecondCount = -2;     // no count > 0 on line 3
inline constexpr int32_t ascBadFlags = -3;           // a bad flag word on line 4
inline constexpr int32_t ascLineFeedInComment = -4;  // the comment holds a line feed

// Reads the four-line header of the ASC data file FileName:
//   line 1  a comment, into Comment;
//   line 2  the first count, into Count1 (an integer > 0; the rest of the
//           line is ignored);
//   line 3  the second count, into Count2 (an integer > 0; the rest of the
//           line is ignored);
//   line 4  four flag words, TRUE or FALSE (any case), separated by blanks
//           (the file form also accepts tabs); the fourth is True only when
//           it reads TRUE, and any other word there is no error; the four
//           flags go into Flag1, Flag2, Flag3 and Flag4.
// Returns 0, or -1 (no integer on line 2, or one <= 0), -2 (the same on line
// 3), -3 (one of the first three flag words is neither TRUE nor FALSE), -4
// (the comment holds a line feed; lines read by TextFile never do, so this
// remains for the stream form's sake). Reading stops at the first fault; the
// counts read so far are delivered, flags not reached stay False. As with the
// runtime's integer reads, the number may be preceded by blanks and line ends.
// A missing file raises EInOutError.
ZEL_API int32_t ReadHeaderOfASC(const String& FileName, String& Comment, int32_t& Count1,
                                int32_t& Count2, bool& Flag1, bool& Flag2, bool& Flag3,
                                bool& Flag4);
// The same (into Comment, Count1, Count2, Flag1, Flag2, Flag3 and Flag4) on
// the stream AStream, one character per byte: lines end at LF (a CR before
// it is dropped), the counts are read with ScanStreamDecimal and the rest of
// a count's line is skipped unless the byte that ended the number was that
// line's LF (so files with bare LF line ends read correctly). Tabs are not
// accepted between the flag words (-3). The stream is left after line 4, or
// after the line at which reading stopped. Finding the byte that ended a
// number needs one step back, so the stream must be able to seek.
ZEL_API int32_t ReadHeaderOfASC(TStream& AStream, String& Comment, int32_t& Count1, int32_t& Count2,
                                bool& Flag1, bool& Flag2, bool& Flag3, bool& Flag4);

// Copies InFile to OutFile character by character, writing a LF after every
// CR that is not followed by one (a CR at the very end gets one too). A LF
// without CR before it is copied as it is, and the character written after an
// inserted LF is not examined again: CR CR A becomes CR LF CR A. Only line
// ends change: every other byte is copied as it is (no decoding, so
// Windows-1252 stays Windows-1252), and a file marked as UTF-16 or UTF-32
// (FF FE, FE FF, FF FE 00 00, 00 00 FE FF) is repaired in its own code units
// and byte order. OutFile is replaced through TSafeFileStream (mode, owner and
// links kept, nothing changed on failure), so it may name the same file as
// InFile.
ZEL_API void EnsureCRLFInFile(const String& InFile, const String& OutFile);

// Copies InFile to OutFile line by line, leaving out every line whose 1-based
// number is in DropLines. Lines are split as TextFile reads them; each kept
// line is copied byte for byte (in its own code units for a file marked as
// UTF-16 or UTF-32, whose mark is kept) and ended with CR LF. Returns 0 on
// success, -1 when InFile cannot be opened (OutFile is then not touched), -2
// when OutFile cannot be created, written or closed (it then keeps its
// previous contents). A read failure of InFile raises EInOutError. OutFile is
// replaced as by EnsureCRLFInFile and may name InFile. Cost: O(lines x
// log(entries)).
ZEL_API int32_t FilterCopyTextFile(const String& InFile, const String& OutFile,
                                   const TIntArray& DropLines);

// The 1-based position of the first occurrence of SearchStr in the text of the
// file FileName with its line ends removed, provided it is at most MaxChars; 0
// when it does not occur within that limit. IgnoreCase folds ASCII letters.
// Reading stops once MaxChars characters have been passed.
ZEL_API int32_t DetectStringInFile(const String& FileName, const String& SearchStr, bool IgnoreCase,
                                   int32_t MaxChars);

// The position of SearchStr in the first line of the file FileName that holds
// it (MatchingLine receives that line as it is in the file), or 0 and an empty
// line. IgnoreCase compares with AnsiLowerCase.
ZEL_API int32_t FindFirstMatchInTextFile(const String& FileName, const String& SearchStr,
                                         bool IgnoreCase, String& MatchingLine);

// The next word of the open text file F: characters up to code 32 (blanks,
// controls, line ends) are skipped, then characters above 32 are collected up
// to the next character up to 32, which is consumed. Empty at end of file.
ZEL_API String ReadNextWordInTextFile(TextFile& F);

}  // namespace zel
