#include "zel/runtime/stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <typeinfo>

#include "zel/platform/descriptors.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/safefile.h"
#include "zel/runtime/utf8.h"

namespace zel {

namespace {

// A position (or the end of a write) that an int64_t cannot hold.
[[noreturn]] void RaiseOutOfRange() { throw EStreamError(u"Stream position out of range"); }

// Base + Offset, refused when it does not fit.
int64_t AddPosition(int64_t Base, int64_t Offset) {
  int64_t r;
  if (__builtin_add_overflow(Base, Offset, &r)) RaiseOutOfRange();
  return r;
}

}  // namespace

// ---- TStream ------------------------------------------------------------------

TStream::~TStream() = default;
String TStream::ClassName() const { return u"TStream"; }

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
  if (Count > 0 && Read(Buffer, Count) != Count) throw EReadError(u"Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
  if (Count > 0 && Write(Buffer, Count) != Count) throw EWriteError(u"Stream write error");
}

int64_t TStream::Size() {
  const int64_t pos = Seek(0, soCurrent);
  const int64_t end = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return end;
}

void TStream::SetSize(int64_t) {}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  if (Count <= 0) return 0;
  constexpr int64_t kChunk = 1 << 16;
  std::vector<uint8_t> buf(static_cast<size_t>(std::min(Count, kChunk)));
  int64_t left = Count;
  while (left > 0) {
    const int64_t n = std::min(left, kChunk);
    Source.ReadBuffer(buf.data(), n);
    WriteBuffer(buf.data(), n);
    left -= n;
  }
  return Count;
}

std::span<const uint8_t> TStream::DoReadWindow() { return {}; }

void TStream::DoAdvanceWindow(int64_t Count) {
  if (Count > 0) Seek(Count, soCurrent);
}

// ---- TMemoryStream -------------------------------------------------------------

TMemoryStream::TMemoryStream() = default;
TMemoryStream::~TMemoryStream() = default;
String TMemoryStream::ClassName() const { return u"TMemoryStream"; }

int64_t TMemoryStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0 || win_pos_ >= win_end_) return 0;
  const int64_t n = std::min(Count, win_end_ - win_pos_);
  std::memcpy(Buffer, data_.data() + win_pos_, static_cast<size_t>(n));
  win_pos_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  const int64_t end = AddPosition(win_pos_, Count);
  if (end > static_cast<int64_t>(data_.size())) {
    // Grow geometrically so that many small writes stay linear overall.
    size_t cap = std::max<size_t>(data_.size() * 2, 256);
    GuardAllocation([&] { data_.resize(std::max(cap, static_cast<size_t>(end))); });
    TrackStorage();
  }
  if (win_pos_ > win_end_)
    std::memset(data_.data() + win_end_, 0, static_cast<size_t>(win_pos_ - win_end_));
  std::memcpy(data_.data() + win_pos_, Buffer, static_cast<size_t>(Count));
  win_pos_ = end;
  win_end_ = std::max(win_end_, end);
  return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t base = 0;
  if (Origin == soCurrent) base = win_pos_;
  if (Origin == soEnd) base = win_end_;
  const int64_t target = AddPosition(base, Offset);
  win_pos_ = target < 0 ? 0 : target;
  return win_pos_;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) NewSize = 0;
  if (NewSize > static_cast<int64_t>(data_.size())) {
    GuardAllocation([&] { data_.resize(static_cast<size_t>(NewSize)); });
    TrackStorage();
  }
  if (NewSize > win_end_)
    std::memset(data_.data() + win_end_, 0, static_cast<size_t>(NewSize - win_end_));
  win_end_ = NewSize;
  if (win_pos_ > win_end_) win_pos_ = win_end_;
}

std::span<const uint8_t> TMemoryStream::DoReadWindow() {
  // A caller's subclass may read differently: it gets no window.
  if (typeid(*this) != typeid(TMemoryStream) && typeid(*this) != typeid(TStringStream)) return {};
  return MemoryWindow();
}

void TMemoryStream::DoAdvanceWindow(int64_t Count) { AdvanceMemory(Count); }

std::span<const uint8_t> TMemoryStream::MemoryWindow() noexcept {
  direct_ = true;  // from now on ReadWindow/AdvanceWindow use the fields inline
  if (win_pos_ >= win_end_) return {};
  return {data_.data() + win_pos_, static_cast<size_t>(win_end_ - win_pos_)};
}

void TMemoryStream::AdvanceMemory(int64_t Count) noexcept {
  if (Count > 0) win_pos_ = std::min(win_pos_ + Count, std::max(win_end_, win_pos_));
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  TrackStorage();
  win_end_ = 0;
  win_pos_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& Source) {
  Source.SetPosition(0);
  // Size() is a first guess only: files of /proc report 0, and a file may
  // grow or shrink while it is read. Reading goes on to the end of the data.
  const int64_t guess = std::max<int64_t>(Source.Size(), 0);
  TMemoryStream loaded;
  loaded.SetSize(guess);
  int64_t have = 0;
  for (;;) {
    int64_t n;
    if (have < loaded.win_end_) {
      n = Source.Read(loaded.data_.data() + have, loaded.win_end_ - have);
    } else {
      // The guess is used up: a small read tells whether more follows
      // before the storage grows (the usual case being the end).
      uint8_t probe[4096];
      n = Source.Read(probe, sizeof probe);
      if (n > 0) {
        loaded.SetSize(have + n + std::max<int64_t>(int64_t{1} << 16, have / 2));
        std::memcpy(loaded.data_.data() + have, probe, static_cast<size_t>(n));
      }
    }
    if (n <= 0) break;
    have += n;
  }
  loaded.SetSize(have);
  data_.swap(loaded.data_);
  TrackStorage();
  win_end_ = have;
  win_pos_ = 0;
}

void TMemoryStream::SaveToStream(TStream& Dest) {
  if (win_end_ > 0) Dest.WriteBuffer(data_.data(), win_end_);
}

void TMemoryStream::LoadFromFile(const String& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TMemoryStream::SaveToFile(const String& FileName) {
  SafeReplaceFile(FileName, [this](TStream& f) { SaveToStream(f); });
}

// ---- THandleStream ---------------------------------------------------------------

THandleStream::THandleStream(int AHandle) : handle_(AHandle) {}
THandleStream::~THandleStream() = default;
String THandleStream::ClassName() const { return u"THandleStream"; }

namespace {
constexpr int64_t kFirstReadAhead = 4096;
constexpr int64_t kMaxReadAhead = 65536;
}  // namespace

void THandleStream::DropReadAhead() const noexcept {
  if (win_pos_ < win_end_) {
    int64_t ignored;
    platform::Descriptors().Seek(handle_, ahead_end_ - (win_end_ - win_pos_),
                                 platform::SeekFrom::kStart, ignored);
    next_fill_ = kFirstReadAhead;  // reading was interrupted: start small again
  }
  win_pos_ = 0;
  win_end_ = 0;
}

int THandleStream::Handle() const noexcept {
  DropReadAhead();
  return handle_;
}

std::span<const uint8_t> THandleStream::DoReadWindow() {
  // A caller's subclass may read differently: it gets no window.
  if (typeid(*this) != typeid(THandleStream) && typeid(*this) != typeid(TFileStream)) return {};
  return ReadAheadWindow();
}

void THandleStream::DoAdvanceWindow(int64_t Count) { AdvanceReadAhead(Count); }

std::span<const uint8_t> THandleStream::ReadAheadWindow() {
  direct_ = true;  // from now on ReadWindow/AdvanceWindow use the fields inline
  if (win_pos_ < win_end_) return {buf_.get() + win_pos_, static_cast<size_t>(win_end_ - win_pos_)};
  if (handle_ < 0) return {};
  auto& system = platform::Descriptors();
  if (regular_ < 0) {
    platform::FileIdentity id;
    regular_ = (system.IdentifyOpen(handle_, id) == 0 && id.regular) ? 1 : 0;
  }
  // Pipes, sockets and devices are not read ahead: their bytes could not be
  // given back to a caller of Handle().
  if (regular_ == 0) return {};
  int64_t at = -1;
  if (system.Seek(handle_, 0, platform::SeekFrom::kCurrent, at) != 0) return {};
  if (!buf_) {
    buf_ = std::make_unique<uint8_t[]>(static_cast<size_t>(kMaxReadAhead));
    win_data_ = buf_.get();
  }
  if (next_fill_ < kFirstReadAhead) next_fill_ = kFirstReadAhead;
  size_t got = 0;
  const int err = system.Read(handle_, buf_.get(), static_cast<size_t>(next_fill_), got);
  win_pos_ = 0;
  if (err != 0 || got == 0) {
    win_end_ = 0;
    if (err != 0) {
      errno = err;
      RaiseReadError();
    }
    return {};
  }
  const auto n = static_cast<int64_t>(got);
  win_end_ = n;
  ahead_end_ = at + n;
  next_fill_ = std::min(next_fill_ * 2, kMaxReadAhead);
  return {buf_.get(), static_cast<size_t>(n)};
}

void THandleStream::AdvanceReadAhead(int64_t Count) {
  if (Count <= 0) return;
  if (win_pos_ < win_end_) {
    win_pos_ += std::min(Count, win_end_ - win_pos_);
    if (win_pos_ == win_end_) win_pos_ = win_end_ = 0;  // offset == position again
  } else {
    Seek(Count, soCurrent);
  }
}

int64_t THandleStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0 || handle_ < 0) return 0;
  auto* p = static_cast<uint8_t*>(Buffer);
  int64_t done = 0;
  if (win_pos_ < win_end_) {
    // Bytes read ahead come first; the descriptor's offset is just after them.
    done = std::min(Count, win_end_ - win_pos_);
    std::memcpy(p, buf_.get() + win_pos_, static_cast<size_t>(done));
    win_pos_ += done;
    if (win_pos_ < win_end_) return done;
    win_pos_ = win_end_ = 0;
  }
  auto& system = platform::Descriptors();
  while (done < Count) {
    size_t n = 0;
    const int err = system.Read(handle_, p + done, static_cast<size_t>(Count - done), n);
    // A failing device must not look like the end of the data: report the
    // error, unless bytes already arrived (the next call reports it then).
    if (err != 0 && done == 0) {
      errno = err;
      RaiseReadError();
    }
    if (err != 0 || n == 0) break;
    done += static_cast<int64_t>(n);
  }
  return done;
}

void THandleStream::RaiseReadError() {
  throw EReadError(u"Stream read error: " + Utf8ToString(std::strerror(errno)));
}

int64_t THandleStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0 || handle_ < 0) return 0;
  DropReadAhead();
  const auto* p = static_cast<const uint8_t*>(Buffer);
  int64_t done = 0;
  auto& system = platform::Descriptors();
  while (done < Count) {
    size_t n = 0;
    if (system.WriteSome(handle_, p + done, static_cast<size_t>(Count - done), n) != 0 || n == 0)
      break;
    done += static_cast<int64_t>(n);
  }
  return done;
}

int64_t THandleStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  if (win_pos_ < win_end_ && Origin != soEnd) {
    // Moves inside the bytes read ahead need no system call.
    const int64_t first = ahead_end_ - win_end_;
    const int64_t here = first + win_pos_;
    const int64_t target = Origin == soCurrent ? AddPosition(here, Offset) : Offset;
    if (target >= first && target < ahead_end_) {
      win_pos_ = target - first;
      return target;
    }
  }
  DropReadAhead();
  const platform::SeekFrom from = Origin == soBeginning ? platform::SeekFrom::kStart
                                  : Origin == soCurrent ? platform::SeekFrom::kCurrent
                                                        : platform::SeekFrom::kEnd;
  int64_t position = -1;
  platform::Descriptors().Seek(handle_, Offset, from, position);
  return position;
}

int64_t THandleStream::Size() {
  if (regular_ != 0 && handle_ >= 0) {
    platform::FileIdentity id;
    if (platform::Descriptors().IdentifyOpen(handle_, id) == 0 && id.regular)
      return static_cast<int64_t>(id.size);
  }
  return TStream::Size();
}

void THandleStream::SetSize(int64_t NewSize) {
  DropReadAhead();
  const int64_t pos = Position();
  const int err = platform::Descriptors().Truncate(
      handle_, static_cast<uint64_t>(std::max<int64_t>(NewSize, 0)));
  if (err != 0) throw EStreamError(u"Stream size error: " + Utf8ToString(std::strerror(err)));
  if (pos > NewSize) Seek(0, soEnd);
}

// ---- TFileStream ----------------------------------------------------------------

namespace {
int OpenFile(const String& name, uint16_t mode) {
  std::string path;
  if (!FileNameToPath(name, path)) return -1;
  platform::OpenFor how = platform::OpenFor::kReading;
  if ((mode & fmCreate) == fmCreate)
    how = platform::OpenFor::kCreating;
  else if ((mode & 3) == fmOpenWrite)
    how = platform::OpenFor::kWriting;
  else if ((mode & 3) == fmOpenReadWrite)
    how = platform::OpenFor::kUpdating;
  auto& system = platform::Descriptors();
  int fd = -1;
  if (const int err = system.OpenFile(path, how, fd); err != 0) {
    errno = err;
    return -1;
  }
  // A directory opens for reading but holds no bytes: refused like any file
  // that cannot be opened.
  platform::FileIdentity id;
  if (system.IdentifyOpen(fd, id) == 0 && id.directory) {
    system.Close(fd);
    errno = EISDIR;
    return -1;
  }
  return fd;
}
}  // namespace

TFileStream::TFileStream(const String& AFileName, uint16_t Mode)
    : THandleStream(OpenFile(AFileName, Mode)), file_name_(AFileName) {
  if (handle_ < 0) {
    const String reason = Utf8ToString(std::strerror(errno));
    if ((Mode & fmCreate) == fmCreate)
      throw EFCreateError(u"Cannot create file \"" + AFileName + u"\". " + reason);
    throw EFOpenError(u"Cannot open file \"" + AFileName + u"\". " + reason);
  }
}

TFileStream::~TFileStream() {
  if (handle_ >= 0) platform::Descriptors().Close(handle_);
}

String TFileStream::ClassName() const { return u"TFileStream"; }

// ---- TStringStream ---------------------------------------------------------------

TStringStream::TStringStream(const String& AString) : TStringStream(StringToBytes(AString)) {}

TStringStream::TStringStream(const std::string& Bytes) {
  if (!Bytes.empty()) WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  SetPosition(0);
}

TStringStream::~TStringStream() = default;
String TStringStream::ClassName() const { return u"TStringStream"; }

std::string TStringStream::Bytes() const {
  return std::string(reinterpret_cast<const char*>(Memory()),
                     static_cast<size_t>(const_cast<TStringStream*>(this)->Size()));
}

String TStringStream::DataString() const { return BytesToString(Bytes()); }

}  // namespace zel
