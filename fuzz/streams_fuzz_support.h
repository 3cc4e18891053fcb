// Helpers of the stream fuzz targets: the same bytes as a memory stream (read
// through its window), as a caller's stream without a window (one Read per
// byte), as one whose window shows two bytes at a time, and as one that
// cannot go back (a pipe), so each target checks that all of them agree.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "zel/runtime/stream.h"

namespace zel_fuzz {

class PlainStream : public zel::TStream {
 public:
  PlainStream(const uint8_t* data, size_t size)
      : bytes_(reinterpret_cast<const char*>(data), size) {}
  int64_t Read(void* Buffer, int64_t Count) override {
    if (Count <= 0 || pos_ >= static_cast<int64_t>(bytes_.size())) return 0;
    const int64_t n = std::min<int64_t>(Count, static_cast<int64_t>(bytes_.size()) - pos_);
    std::memcpy(Buffer, bytes_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
  }
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t Offset, zel::TSeekOrigin Origin) override {
    const int64_t base = Origin == zel::soBeginning ? 0
                         : Origin == zel::soCurrent ? pos_
                                                    : static_cast<int64_t>(bytes_.size());
    pos_ = std::max<int64_t>(0, base + Offset);
    return pos_;
  }

 protected:
  std::string bytes_;
  int64_t pos_ = 0;
};

class TwoByteWindowStream : public PlainStream {
 public:
  using PlainStream::PlainStream;

 protected:
  std::span<const uint8_t> DoReadWindow() override {
    if (pos_ >= static_cast<int64_t>(bytes_.size())) return {};
    const size_t n = std::min<size_t>(2, bytes_.size() - static_cast<size_t>(pos_));
    return {reinterpret_cast<const uint8_t*>(bytes_.data()) + pos_, n};
  }
  void DoAdvanceWindow(int64_t Count) override { pos_ += Count; }
};

// A stream that cannot go back, like a pipe: no position, Seek refused.
class PipeLikeStream : public PlainStream {
 public:
  using PlainStream::PlainStream;
  int64_t Seek(int64_t, zel::TSeekOrigin) override { return -1; }
  // Bytes taken from it so far.
  int64_t Consumed() const { return pos_; }
};

inline void MakeMemory(zel::TMemoryStream& m, const uint8_t* data, size_t size) {
  if (size > 0) m.WriteBuffer(data, static_cast<int64_t>(size));
  m.SetPosition(0);
}

// Aborts (a finding for the fuzzer) when the condition does not hold.
inline void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace zel_fuzz
