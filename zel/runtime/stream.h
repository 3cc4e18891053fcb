// Byte streams: TStream and the memory, handle, file and string streams.
//
// Counts and positions are 64-bit. Read returns the number of bytes that
// arrived (0 at the end, never negative); ReadBuffer/WriteBuffer raise
// EReadError/EWriteError when fewer bytes move than asked. Negative counts
// move nothing. A Seek or Write whose resulting position an int64_t cannot
// hold raises EStreamError "Stream position out of range" and changes nothing;
// a memory stream that cannot get the memory it needs raises EOutOfMemory.
//
// Read window. Parsers that take one byte at a time (the stream functions of
// zel/streams) ask the stream for ReadWindow(): a view of bytes at the current
// position that are already in memory, and move past the ones they used with
// AdvanceWindow(n). A memory stream shows its own storage; a handle stream on
// a regular file reads ahead into a buffer of its own (4 KiB, growing to
// 64 KiB while reading goes on) and keeps Position(), Seek, Read, Write and
// SetSize exactly on the logical position, as if it had read byte by byte.
// Other streams show no window (the default), and such parsers fall back to
// Read, one call per byte. A caller's subclass of these classes may override
// Read, so the window is shown only to objects whose class is exactly one of
// the library's (TMemoryStream, TStringStream, THandleStream, TFileStream);
// a subclass that reads as its base does can offer the window again by
// overriding DoReadWindow and DoAdvanceWindow with MemoryWindow/AdvanceMemory
// or ReadAheadWindow/AdvanceReadAhead. Any stream may offer a window of its
// own the same way.
// The memory and handle streams keep their position and their bytes in
// memory in fields of TStream, so once their window has been shown,
// ReadWindow and AdvanceWindow work on those fields inline, without a virtual
// call, for as long as bytes remain in memory (DoReadWindow is called again
// only to read ahead). MemoryWindow and ReadAheadWindow switch this on; a
// subclass that calls them therefore gets its later windows, and their
// advances, without its DoReadWindow/DoAdvanceWindow being called.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "zel/runtime/classes.h"

namespace zel {

// What a Seek offset counts from: the start, the current position or the end.
enum TSeekOrigin : uint8_t { soBeginning, soCurrent, soEnd };

// Open-mode words of TFileStream: one access mode, optionally or'ed with a
// share mode. Share modes are accepted for compatibility; Linux has no
// mandatory share locks, so they do not restrict other openers.
inline constexpr uint16_t fmCreate = 0xFF00;
inline constexpr uint16_t fmOpenRead = 0x0000;        // an existing file, read only
inline constexpr uint16_t fmOpenWrite = 0x0001;       // an existing file, write only
inline constexpr uint16_t fmOpenReadWrite = 0x0002;   // an existing file, read and write
inline constexpr uint16_t fmShareCompat = 0x0000;     // share mode: compatibility
inline constexpr uint16_t fmShareExclusive = 0x0010;  // share mode: deny all others
inline constexpr uint16_t fmShareDenyWrite = 0x0020;  // share mode: deny others writing
inline constexpr uint16_t fmShareDenyRead = 0x0030;   // share mode: deny others reading
inline constexpr uint16_t fmShareDenyNone = 0x0040;   // share mode: deny nobody

// The abstract byte stream: Read, Write and Seek are provided by each kind of
// stream; the rest is built on them.
class ZEL_API TStream : public TObject {
 public:
  ~TStream() override;

  // Reads up to Count bytes into Buffer; returns how many arrived.
  virtual int64_t Read(void* Buffer, int64_t Count) = 0;
  // Writes up to Count bytes from Buffer; returns how many were written.
  virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
  // Moves the position to Offset bytes from Origin; returns the new position.
  virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

  // Reads exactly Count bytes into Buffer; raises EReadError "Stream read
  // error" when fewer arrive.
  void ReadBuffer(void* Buffer, int64_t Count);
  // Writes exactly Count bytes from Buffer; raises EWriteError "Stream write
  // error" when fewer are written.
  void WriteBuffer(const void* Buffer, int64_t Count);

  int64_t Position() { return Seek(0, soCurrent); }  // The current position.
  // Moves to Pos bytes from the start.
  void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
  // The size in bytes. The default seeks to the end and back.
  virtual int64_t Size();
  // Cuts or extends the stream to NewSize bytes. The default does nothing.
  virtual void SetSize(int64_t NewSize);

  // Copies Count bytes from Source's position (Count = 0: all of Source from
  // its start). Returns the bytes copied; raises EReadError on a short read.
  int64_t CopyFrom(TStream& Source, int64_t Count);

  // The bytes at the current position that can be read without further calls
  // (empty at the end of the stream and for streams without a window). The
  // view stays valid until the next operation on the stream. Does not move the
  // position; may read ahead from the underlying file.
  std::span<const uint8_t> ReadWindow() {
    if (direct_ && win_pos_ < win_end_)
      return {win_data_ + win_pos_, static_cast<size_t>(win_end_ - win_pos_)};
    return DoReadWindow();
  }
  // Moves the position past Count bytes of the window just returned
  // (0 <= Count <= its size).
  void AdvanceWindow(int64_t Count) {
    if (direct_ && Count >= 0 && Count <= win_end_ - win_pos_) {
      win_pos_ += Count;
      return;
    }
    DoAdvanceWindow(Count);
  }

  String ClassName() const override;

 protected:
  // Defaults: no window; advancing seeks.
  virtual std::span<const uint8_t> DoReadWindow();
  // Does the work of AdvanceWindow(Count); the default seeks Count bytes on.
  virtual void DoAdvanceWindow(int64_t Count);

 private:
  friend class TMemoryStream;
  friend class THandleStream;
  // State of the memory and handle streams (no meaning for other classes):
  // win_data_[win_pos_, win_end_) are the bytes in memory that follow the
  // position. TMemoryStream: its storage, position and size (the position may
  // lie beyond the size). THandleStream: its read-ahead buffer, empty when
  // win_pos_ >= win_end_. direct_: the window may be used inline.
  mutable const uint8_t* win_data_ = nullptr;
  mutable int64_t win_pos_ = 0;
  mutable int64_t win_end_ = 0;
  bool direct_ = false;
};

// A stream over a growable block of memory.
class ZEL_API TMemoryStream : public TStream {
 public:
  TMemoryStream();
  ~TMemoryStream() override;

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  // Moves to Offset bytes from Origin; a target before the start gives 0, one
  // past the end is allowed (a later write fills the gap with zeros).
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  int64_t Size() override { return win_end_; }  // The number of stored bytes.
  // Sets the size to NewSize bytes (a negative size counts as 0): new bytes are
  // zero, and a position past the new end moves to it.
  void SetSize(int64_t NewSize) override;

  // The stored bytes (valid until the next write or resize).
  const uint8_t* Memory() const noexcept { return data_.data(); }
  uint8_t* Memory() noexcept { return data_.data(); }
  // Frees the storage; size and position become 0.
  void Clear();

  // Loads the whole of Source from its start: reads to the end of the data
  // (Size() is only a first guess: files of /proc report 0).
  void LoadFromStream(TStream& Source);
  // Writes all stored bytes to Dest at its position (WriteBuffer).
  void SaveToStream(TStream& Dest);
  // Loads the whole file FileName (LoadFromStream); raises EFOpenError when it
  // cannot be opened.
  void LoadFromFile(const String& FileName);
  // Replaces the file FileName through TSafeFileStream: a failure raises and
  // keeps the previous file.
  void SaveToFile(const String& FileName);

  String ClassName() const override;

 protected:
  std::span<const uint8_t> DoReadWindow() override;
  void DoAdvanceWindow(int64_t Count) override;
  // The window over the stored bytes, whatever the class.
  std::span<const uint8_t> MemoryWindow() noexcept;
  // Moves the position Count bytes on, never past the end.
  void AdvanceMemory(int64_t Count) noexcept;

 private:
  // Capacity; the first win_end_ bytes are valid, win_pos_ is the position
  // and win_data_ always data_.data().
  std::vector<uint8_t> data_;
  void TrackStorage() noexcept { win_data_ = data_.data(); }
};

// A stream over an open file descriptor that the caller keeps and closes.
// A failing read (a descriptor not open for reading, a device error) raises
// EReadError rather than looking like the end of the data.
// On a regular file the read window reads ahead; Handle() first moves the
// descriptor's offset back to Position() and drops what was read ahead, so a
// caller using the descriptor directly sees the logical position.
class ZEL_API THandleStream : public TStream {
 public:
  // A stream over the descriptor AHandle (a negative one reads and writes
  // nothing).
  explicit THandleStream(int AHandle);
  ~THandleStream() override;

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  // Moves to Offset bytes from Origin; returns -1 when the descriptor cannot
  // seek (a pipe, for instance).
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  // The file's size for a regular file; otherwise found by seeking.
  int64_t Size() override;
  // Cuts or extends the file to NewSize bytes (a negative size counts as 0);
  // raises EStreamError "Stream size error: <reason>" when that fails.
  void SetSize(int64_t NewSize) override;
  // The descriptor, its offset put back on Position().
  int Handle() const noexcept;

  String ClassName() const override;

 protected:
  std::span<const uint8_t> DoReadWindow() override;
  void DoAdvanceWindow(int64_t Count) override;
  // The read-ahead window, whatever the class.
  std::span<const uint8_t> ReadAheadWindow();
  // Moves the position Count bytes on, inside the read-ahead bytes or by
  // seeking.
  void AdvanceReadAhead(int64_t Count);
  // Puts the descriptor's offset back on the logical position and forgets the
  // bytes read ahead.
  void DropReadAhead() const noexcept;

  int handle_;  // the descriptor; negative when none is open

 private:
  // Read-ahead: buf_[win_pos_, win_end_) are the bytes after the logical
  // position; the descriptor's offset is ahead_end_ (the file offset just
  // after buf_[win_end_ - 1]) while win_pos_ < win_end_. win_data_ is
  // buf_.get().
  mutable std::unique_ptr<uint8_t[]> buf_;
  mutable int64_t ahead_end_ = 0;
  mutable int64_t next_fill_ = 0;  // size of the next read-ahead
  int regular_ = -1;               // -1 unknown, 0 no, 1 a regular file

  // Raises EReadError with the reason errno gives.
  [[noreturn]] static void RaiseReadError();
};

// A stream over a named file. Raises EFCreateError ("Cannot create file
// "<name>". <reason>") or EFOpenError ("Cannot open file "<name>".
// <reason>") when the file cannot be created or opened; a directory is
// refused with EISDIR, and a name holding U+0000 with EINVAL (names become
// paths through FileNameToPath). fmCreate truncates an existing file at once:
// to replace a whole file so that a failure keeps the old one, write through
// TSafeFileStream (as SaveToFile does).
class ZEL_API TFileStream : public THandleStream {
 public:
  // Opens or creates AFileName as Mode says (fmCreate, or an fmOpen... mode
  // or'ed with a share mode); the file is closed on destruction.
  TFileStream(const String& AFileName, uint16_t Mode);
  ~TFileStream() override;

  const String& FileName() const noexcept { return file_name_; }  // The name given.
  String ClassName() const override;

 private:
  String file_name_;
};

// A memory stream initialised from text, one byte per character (the low
// byte of each UTF-16 unit); DataString() maps the bytes back.
class ZEL_API TStringStream : public TMemoryStream {
 public:
  // A stream holding AString, one byte per character; the position is 0.
  explicit TStringStream(const String& AString = String());
  // A stream holding the bytes of Bytes; the position is 0.
  explicit TStringStream(const std::string& Bytes);
  ~TStringStream() override;

  // The stored bytes as text, one character per byte.
  String DataString() const;
  std::string Bytes() const;  // The stored bytes.
  String ClassName() const override;
};

}  // namespace zel
