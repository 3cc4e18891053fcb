// Stream classes the stream-function tests run on: the library's memory and
// file streams, a caller's subclass without a read window (one Read per byte),
// a caller's subclass with a tiny window (refills everywhere) and a stream
// that raises on read.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "support/temp_dir.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/stream.h"

namespace zel_test {

// A caller's own stream over bytes in memory, offering no window.
class PlainStream : public zel::TStream {
 public:
  explicit PlainStream(std::string bytes) : bytes_(std::move(bytes)) {}
  int64_t Read(void* Buffer, int64_t Count) override {
    ++reads;
    if (Count <= 0 || pos_ >= static_cast<int64_t>(bytes_.size())) return 0;
    const int64_t n = std::min<int64_t>(Count, static_cast<int64_t>(bytes_.size()) - pos_);
    std::memcpy(Buffer, bytes_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
  }
  int64_t Write(const void* Buffer, int64_t Count) override {
    if (Count <= 0) return 0;
    if (static_cast<int64_t>(bytes_.size()) < pos_ + Count)
      bytes_.resize(static_cast<size_t>(pos_ + Count));
    std::memcpy(bytes_.data() + pos_, Buffer, static_cast<size_t>(Count));
    pos_ += Count;
    return Count;
  }
  int64_t Seek(int64_t Offset, zel::TSeekOrigin Origin) override {
    const int64_t base = Origin == zel::soBeginning ? 0
                         : Origin == zel::soCurrent ? pos_
                                                    : static_cast<int64_t>(bytes_.size());
    pos_ = std::max<int64_t>(0, base + Offset);
    return pos_;
  }
  const std::string& bytes() const { return bytes_; }
  int64_t reads = 0;

 protected:
  std::string bytes_;
  int64_t pos_ = 0;
};

// A caller's stream whose window shows at most three bytes at a time.
class ChoppyStream : public PlainStream {
 public:
  using PlainStream::PlainStream;

 protected:
  std::span<const uint8_t> DoReadWindow() override {
    if (pos_ >= static_cast<int64_t>(bytes_.size())) return {};
    const size_t n = std::min<size_t>(3, bytes_.size() - static_cast<size_t>(pos_));
    return {reinterpret_cast<const uint8_t*>(bytes_.data()) + pos_, n};
  }
  void DoAdvanceWindow(int64_t Count) override { pos_ += Count; }
};

// Raises EReadError once FailAt bytes have been read.
class FailingStream : public PlainStream {
 public:
  FailingStream(std::string bytes, int64_t fail_at)
      : PlainStream(std::move(bytes)), fail_at_(fail_at) {}
  int64_t Read(void* Buffer, int64_t Count) override {
    if (pos_ + std::max<int64_t>(Count, 0) > fail_at_) throw zel::EReadError(u"device failed");
    return PlainStream::Read(Buffer, Count);
  }

 private:
  int64_t fail_at_;
};

// Makes a stream holding the bytes, positioned at 0.
struct MemoryKind {
  static constexpr const char* kName = "memory";
  std::unique_ptr<zel::TStream> Make(const std::string& bytes) {
    auto s = std::make_unique<zel::TMemoryStream>();
    if (!bytes.empty()) s->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    s->SetPosition(0);
    return s;
  }
};

struct FileKind {
  static constexpr const char* kName = "file";
  TempDir dir;
  int n = 0;
  std::unique_ptr<zel::TStream> Make(const std::string& bytes) {
    std::string file = std::to_string(n++);
    file += ".bin";
    const zel::String name = dir.Write(file, bytes);
    return std::make_unique<zel::TFileStream>(name, zel::fmOpenReadWrite);
  }
};

struct PlainKind {
  static constexpr const char* kName = "plain";
  std::unique_ptr<zel::TStream> Make(const std::string& bytes) {
    return std::make_unique<PlainStream>(bytes);
  }
};

struct ChoppyKind {
  static constexpr const char* kName = "choppy";
  std::unique_ptr<zel::TStream> Make(const std::string& bytes) {
    return std::make_unique<ChoppyStream>(bytes);
  }
};

using StreamKinds = ::testing::Types<MemoryKind, FileKind, PlainKind, ChoppyKind>;

struct KindNames {
  template <class T>
  static std::string GetName(int) {
    return T::kName;
  }
};

// Bytes as a String, one character per byte.
inline zel::String S(const std::string& bytes) {
  zel::String s;
  for (const char c : bytes) s.push_back(static_cast<uint8_t>(c));
  return s;
}

}  // namespace zel_test
