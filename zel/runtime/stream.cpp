#include "zel/runtime/stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "zel/runtime/exception.h"
#include "zel/runtime/utf8.h"

namespace zel {

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

// ---- TMemoryStream -------------------------------------------------------------

TMemoryStream::TMemoryStream() = default;
TMemoryStream::~TMemoryStream() = default;
String TMemoryStream::ClassName() const { return u"TMemoryStream"; }

int64_t TMemoryStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0 || pos_ >= size_) return 0;
  const int64_t n = std::min(Count, size_ - pos_);
  std::memcpy(Buffer, data_.data() + pos_, static_cast<size_t>(n));
  pos_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  const int64_t end = pos_ + Count;
  if (end > static_cast<int64_t>(data_.size())) {
    // Grow geometrically so that many small writes stay linear overall.
    size_t cap = std::max<size_t>(data_.size() * 2, 256);
    data_.resize(std::max(cap, static_cast<size_t>(end)));
  }
  if (pos_ > size_) std::memset(data_.data() + size_, 0, static_cast<size_t>(pos_ - size_));
  std::memcpy(data_.data() + pos_, Buffer, static_cast<size_t>(Count));
  pos_ = end;
  size_ = std::max(size_, end);
  return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  int64_t base = 0;
  if (Origin == soCurrent) base = pos_;
  if (Origin == soEnd) base = size_;
  const int64_t target = base + Offset;
  pos_ = target < 0 ? 0 : target;
  return pos_;
}

void TMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) NewSize = 0;
  if (NewSize > static_cast<int64_t>(data_.size())) data_.resize(static_cast<size_t>(NewSize));
  if (NewSize > size_) std::memset(data_.data() + size_, 0, static_cast<size_t>(NewSize - size_));
  size_ = NewSize;
  if (pos_ > size_) pos_ = size_;
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  size_ = 0;
  pos_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& Source) {
  Source.SetPosition(0);
  const int64_t n = Source.Size();
  SetSize(n);
  if (n > 0) Source.ReadBuffer(data_.data(), n);
  pos_ = 0;
}

void TMemoryStream::SaveToStream(TStream& Dest) {
  if (size_ > 0) Dest.WriteBuffer(data_.data(), size_);
}

void TMemoryStream::LoadFromFile(const String& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TMemoryStream::SaveToFile(const String& FileName) {
  TFileStream f(FileName, fmCreate);
  SaveToStream(f);
}

// ---- THandleStream ---------------------------------------------------------------

THandleStream::THandleStream(int AHandle) : handle_(AHandle) {}
THandleStream::~THandleStream() = default;
String THandleStream::ClassName() const { return u"THandleStream"; }

int64_t THandleStream::Read(void* Buffer, int64_t Count) {
  if (Count <= 0 || handle_ < 0) return 0;
  auto* p = static_cast<uint8_t*>(Buffer);
  int64_t done = 0;
  while (done < Count) {
    const ssize_t n = ::read(handle_, p + done, static_cast<size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t THandleStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0 || handle_ < 0) return 0;
  const auto* p = static_cast<const uint8_t*>(Buffer);
  int64_t done = 0;
  while (done < Count) {
    const ssize_t n = ::write(handle_, p + done, static_cast<size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t THandleStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  const int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  const off_t r = ::lseek(handle_, static_cast<off_t>(Offset), whence);
  return r < 0 ? -1 : static_cast<int64_t>(r);
}

void THandleStream::SetSize(int64_t NewSize) {
  const int64_t pos = Position();
  if (::ftruncate(handle_, static_cast<off_t>(std::max<int64_t>(NewSize, 0))) != 0)
    throw EStreamError(u"Stream size error: " + Utf8ToString(std::strerror(errno)));
  if (pos > NewSize) Seek(0, soEnd);
}

// ---- TFileStream ----------------------------------------------------------------

namespace {
int OpenFile(const String& name, uint16_t mode) {
  const std::string path = StringToUtf8(name);
  if ((mode & fmCreate) == fmCreate) {
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  }
  int flags = O_RDONLY;
  if ((mode & 3) == fmOpenWrite) flags = O_WRONLY;
  if ((mode & 3) == fmOpenReadWrite) flags = O_RDWR;
  return ::open(path.c_str(), flags | O_CLOEXEC);
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
  if (handle_ >= 0) ::close(handle_);
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
