// TextFile: the runtime's buffered, line-oriented text file.
//
// A TextFile is assigned a name, then opened for reading (Reset), for writing
// from scratch (Rewrite) or for appending (Append), read and written line by
// line or character by character, and closed. It is the type of every "open
// text file" parameter of the library.
//
// Text encoding on this platform:
// - Writing produces UTF-8. WriteLn ends a line with CR LF. A surrogate pair
//   split across two Write calls is still written as one character; an
//   unpaired surrogate is written as U+FFFD.
// - Reading decodes each line on its own: a line whose bytes are valid UTF-8
//   is read as UTF-8, any other line as Windows-1252, so files written on
//   code-page systems still read correctly, and one stray byte only affects
//   its own line. A line longer than kTextDecodePiece bytes is decoded in
//   pieces of at most that many bytes (cut between characters), each piece
//   choosing on its own; the choice never depends on how the line is read
//   (ReadLn, ReadChar, ReadInteger or a mix of them).
// - A read line ends at CR (a directly following LF is consumed with it), at
//   CR LF and at a bare LF. The last line needs no line end; a lone CR at the
//   very end of the file ends the last line and reads no further line.
//   ReadChar returns the line-end characters as they are in the file.
//
// Errors raise EInOutError. Failures the operating system reports carry its
// errno value as ErrorCode(); conditions of the runtime itself use these
// codes (those of the classic runtime):
//   102 "File not assigned"        opening a file that was never assigned
//   103 "File not open"            reading, writing or closing a closed file
//   104 "File not open for input"  reading a file opened for output
//   105 "File not open for output" writing a file opened for input
//   106 "Invalid numeric format"   ReadInteger on a token that is no integer
// Reading past the end of the file is no error: ReadLn returns the empty
// line, ReadChar returns character 0, ReadInteger returns 0, Eof stays true.
//
// Cost: reads and writes go through a 64 KiB buffer, so a line costs a scan
// of its bytes and one decoding pass; system calls happen once per buffer.
// Not thread-safe; one TextFile belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "zel/runtime/types.h"

namespace zel {

class TSafeFileStream;

// Longest run of bytes that is decoded as a unit (see above).
inline constexpr size_t kTextDecodePiece = 32 * 1024;

// Error codes of EInOutError for conditions the runtime detects itself.
inline constexpr int kIoFileNotAssigned = 102;
inline constexpr int kIoFileNotOpen = 103;       // the file is not open
inline constexpr int kIoNotOpenForInput = 104;   // read from a file opened for writing
inline constexpr int kIoNotOpenForOutput = 105;  // write to a file opened for reading
inline constexpr int kIoInvalidNumber = 106;     // ReadInteger met no number

// What a TextFile is open for: nothing, reading, or writing.
enum TTextFileState : uint8_t { tfsClosed, tfsInput, tfsOutput };

class ZEL_API TextFile {
 public:
  TextFile();
  // Same as TextFile() followed by Assign(FileName).
  explicit TextFile(const String& FileName);
  // Closes the file if it is open; buffered output is written, but errors at
  // this point cannot be reported (call Close to see them). A file opened by
  // Rewrite that is destroyed while an exception is on its way is abandoned:
  // the file keeps its previous contents. (Inline, so the exceptions on
  // their way are counted by the caller's C++ runtime: on Windows a program
  // and zel.dll each carry their own.)
  ~TextFile() { Finish(std::uncaught_exceptions() > unwinding_); }

  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  // Gives the file its name, FileName. An open file is closed first (as by Close).
  void Assign(const String& FileName);
  // Opens the file for reading at its start; an open file is closed and
  // reopened (an input file simply rewinds).
  void Reset();
  // Creates the file, or replaces an existing one, and opens it for writing.
  // The new contents go to a temporary file that replaces the old one when
  // Close succeeds (see TSafeFileStream: mode, owner and links are kept,
  // devices and FIFOs are written directly), so a failure on the way (a full
  // disk) leaves the previous contents in place and raises.
  void Rewrite() { RewriteCounting(std::uncaught_exceptions()); }
  // Opens an existing file for writing at its end (fails if it is missing).
  void Append();
  // Writes buffered output and closes the file. Raises 103 when not open.
  void Close();
  // Writes buffered output to the operating system now.
  void Flush();

  const String& FileName() const noexcept { return name_; }     // The assigned name.
  TTextFileState State() const noexcept { return state_; }      // Closed, input or output.
  bool IsOpen() const noexcept { return state_ != tfsClosed; }  // True when open.

  // ---- reading (the file must be open for input) ----

  // The rest of the current line without its line end; empty at end of file.
  String ReadLn();
  // The next character; line ends come as the CR and LF characters they are.
  // Returns 0 at end of file. A character beyond U+FFFF comes as two calls
  // (its surrogate pair).
  Char ReadChar();
  // Skips characters up to code 32 (blanks, tabs, line ends, controls), then
  // reads a token up to the next such character (which stays unread) and
  // converts it: optional sign and decimal digits, 32-bit range. Returns 0 at
  // end of file; raises EInOutError 106 for any other token (consumed).
  int32_t ReadInteger();
  // Like ReadInteger, but reports "no integer" by returning false (Value 0)
  // instead of raising; the token is consumed all the same.
  bool TryReadInteger(int32_t& Value);
  // True when no character is left.
  bool Eof();
  // True at end of file or when the next character is CR or LF.
  bool Eoln();
  // Skips blanks, tabs, CR and LF, then tests Eof.
  bool SeekEof();
  // Skips blanks and tabs, then tests Eoln.
  bool SeekEoln();
  // Skips up to MaxLines lines (as many ReadLn calls would) without decoding
  // them; returns how many were skipped (fewer only at end of file). Counting
  // the lines of a file this way costs little more than scanning its bytes.
  int64_t SkipLines(int64_t MaxLines);

  // ---- writing (the file must be open for output) ----

  // Writes the text S, or the single character C, without a line end.
  void Write(const String& S);
  void Write(Char C);
  // Writes S and CR LF.
  void WriteLn(const String& S);
  void WriteLn();

 private:
  // The destructor's work; `abandoned`: an exception raised after Rewrite is
  // on its way, so a file being replaced keeps its previous contents.
  void Finish(bool abandoned) noexcept;
  // Rewrite, with the count of exceptions on their way when it was called.
  void RewriteCounting(int unwinding);
  // Opens the assigned file for reading (append false) or appending.
  void Open(bool append, TTextFileState state, const char* what);
  void CheckInput();
  void CheckOutput();
  [[noreturn]] void RaiseOs(const char* what, int err) const;
  bool Fill();
  bool EnsureAvailable(size_t n);
  bool PendingEmpty() const noexcept { return pend_pos_ >= pend_.size(); }
  bool LoadPiece();
  // 0 an integer was read, 1 end of file, 2 the token is no integer.
  int ReadIntegerToken(int32_t& Value);
  void AppendUtf8(const Char* s, size_t n);
  void FlushBuffer();
  void CloseFd(bool report);
  void Start(int fd, TTextFileState state);

  String name_;
  bool assigned_ = false;
  TTextFileState state_ = tfsClosed;
  int fd_ = -1;

  // Raw input: bytes [pos_, end_) of buf_ are unread.
  std::string buf_;
  size_t pos_ = 0;
  size_t end_ = 0;
  bool at_eof_ = false;
  // Decoded characters of the current piece not yet handed out (character
  // reads decode a line, or a piece of a long line, at a time).
  String pend_;
  size_t pend_pos_ = 0;
  std::string line_;  // scratch for lines that straddle the buffer

  // Output.
  std::string out_;
  Char high_ = 0;  // a high surrogate waiting for its low half
  // The replacement a Rewrite writes to (fd_ is its descriptor), and how many
  // exceptions were in flight when it began.
  // Deletes the replacement stream where its type is complete (textfile.cpp),
  // so the inline destructor needs no more than this declaration.
  struct ZEL_API SafeStreamDeleter {
    // Deletes `stream` (which may be null).
    void operator()(TSafeFileStream* stream) const noexcept;
  };
  std::unique_ptr<TSafeFileStream, SafeStreamDeleter> safe_;
  int unwinding_ = 0;
};

}  // namespace zel
