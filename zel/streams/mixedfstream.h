// TMixedFStream: a file stream that mixes text lines, numbers in text form and
// binary values, for example a text header followed by binary data.
//
// Text is one byte per character and binary values are little-endian images,
// as for the free functions of zel/streams/primitives.h; reading goes through
// the file stream's read buffer, so byte-wise reading costs no system call
// per byte while Position() stays exact.
#pragma once

#include <cstdint>

#include "zel/runtime/stream.h"
#include "zel/runtime/types.h"

namespace zel {

class ZEL_API TMixedFStream : public TFileStream {
 public:
  // Opens or creates the file AFileName exactly as TFileStream does with that
  // name and Mode (fmCreate, fmOpenRead, fmOpenWrite, fmOpenReadWrite, or'ed
  // with a share mode); raises EFCreateError / EFOpenError on failure. As
  // there, fmCreate truncates an existing file at once: to replace a whole
  // file so that a failure keeps the old one, write through TSafeFileStream.
  TMixedFStream(const String& AFileName, uint16_t Mode);
  ~TMixedFStream() override;

  // True when the position is at or beyond the size of the file.
  bool Eos();

  using TFileStream::Write;
  // Writes the low byte of each character of AString, through a 4096-byte
  // buffer.
  void Write(const String& AString);
  // Write of AString, then CR LF.
  void WriteLn(const String& AString);
  // Writes the byte aNum.
  void WriteByte(uint8_t aNum);
  // Writes the 4-byte image of aNum.
  void WriteInteger(int32_t aNum);
  // Writes the 8-byte image of aNum.
  void WriteDouble(double aNum);

  // Binary readers: error is false when all bytes arrived, true after a short
  // read (the result then holds the bytes that arrived, zero-filled above).
  // They never raise.
  uint8_t ReadByte(bool& error);
  // Reads a 4-byte integer; error as above.
  int32_t ReadInteger(bool& error);
  // Reads an 8-byte double; error as above.
  double ReadDouble(bool& error);
  // Reads the 10-byte x87 image; error as above.
  long double ReadExtended(bool& error);

  // Reads one line. Bytes of code 32 and above and TAB become characters;
  // every other byte (CR and LF included) is never part of the result: it ends
  // the line when it meets the end-of-line mode EOLMode (the codes of
  // ReadLnStream: 0 LF, 1 CR, 2 CR or LF, 3 CR after LF, 4 LF after CR, other:
  // never) and is dropped otherwise. There is no end-of-stream flag: test
  // Eos().
  String ReadLn(int32_t EOLMode);
  // As ScanStreamDecimal.
  int32_t ReadDecimal();
  // As ScanStreamFPNum, with AllowExp and DecPChar (a dps code).
  double ReadFPNum(bool AllowExp, int32_t DecPChar);

  String ClassName() const override;

 protected:
  // Reads as TFileStream does, so it keeps the file stream's read window; a
  // subclass gets none (it may override Read) unless it offers one itself.
  std::span<const uint8_t> DoReadWindow() override;
  // Moves the position past Count bytes of the window DoReadWindow returned.
  void DoAdvanceWindow(int64_t Count) override;
};

}  // namespace zel
