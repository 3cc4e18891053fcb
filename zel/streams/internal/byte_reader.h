// ByteReader: byte-at-a-time reading of a TStream without a virtual call per
// byte where the stream offers a read window.
//
// The reader takes the stream's window, hands out its bytes and, when it is
// done (Commit or destruction), advances the stream past exactly the bytes it
// handed out, so the stream's position is as if each byte had been read with
// its own Read call. Streams without a window are read with Read(&b, 1), one
// byte per call; every byte fetched that way is consumed, so callers must use
// every byte they take (all the stream functions do).
#pragma once

#include <cstdint>
#include <span>

#include "zel/runtime/stream.h"

namespace zel::internal {

class ByteReader {
 public:
  explicit ByteReader(TStream& s) : s_(s) {}
  ~ByteReader() {
    try {
      Commit();
    } catch (...) {  // a caller's window could raise; the destructor must not
    }
  }
  ByteReader(const ByteReader&) = delete;
  ByteReader& operator=(const ByteReader&) = delete;

  // The next byte, or -1 at the end of the stream.
  int Next() {
    if (cur_ < end_) return *cur_++;
    return Fill() ? *cur_++ : -1;
  }

  // Makes at least one byte available in [Cur(), End()); false at the end.
  bool Fill() {
    if (cur_ < end_) return true;
    Commit();
    if (windowed_) {
      const std::span<const uint8_t> w = s_.ReadWindow();
      if (!w.empty()) {
        begin_ = cur_ = w.data();
        end_ = cur_ + w.size();
        in_window_ = true;
        return true;
      }
      windowed_ = false;  // no window (or its end): one Read per byte from here on
    }
    in_window_ = false;
    if (s_.Read(&one_, 1) != 1) {
      begin_ = cur_ = end_ = nullptr;
      return false;
    }
    begin_ = cur_ = &one_;
    end_ = cur_ + 1;
    return true;
  }

  // Bulk access to the bytes available now; Skip(n) takes n of them.
  const uint8_t* Cur() const { return cur_; }
  const uint8_t* End() const { return end_; }
  void Skip(size_t n) { cur_ += n; }

  // Commits and forgets the window; call before any other use of the stream.
  void Release() {
    Commit();
    begin_ = cur_ = end_ = nullptr;
    in_window_ = false;
  }

  // Advances the stream past the window bytes handed out so far.
  void Commit() {
    if (in_window_ && cur_ != begin_) {
      const int64_t n = cur_ - begin_;
      begin_ = cur_;
      s_.AdvanceWindow(n);
    }
  }

 private:
  TStream& s_;
  const uint8_t* begin_ = nullptr;
  const uint8_t* cur_ = nullptr;
  const uint8_t* end_ = nullptr;
  bool windowed_ = true;
  bool in_window_ = false;
  uint8_t one_ = 0;
};

}  // namespace zel::internal
