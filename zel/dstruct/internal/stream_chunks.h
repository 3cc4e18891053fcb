// Chunked stream reading shared by the encoders of zel/dstruct: the
// encodings are defined on small blocks, but moving data through a stream in
// large chunks gives the same bytes at a fraction of the per-call cost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "zel/runtime/stream.h"

namespace zel::internal {

// A byte buffer that is not zero-filled on creation.
class ChunkBuffer {
 public:
  explicit ChunkBuffer(size_t n) : data_(std::make_unique_for_overwrite<uint8_t[]>(n)) {}
  uint8_t* data() noexcept { return data_.get(); }
  uint8_t& operator[](size_t i) noexcept { return data_[i]; }

 private:
  std::unique_ptr<uint8_t[]> data_;
};

// Reads until count bytes have arrived or the stream reports its end (a read
// of 0 bytes); returns the bytes read. A stream that delivers fewer bytes
// than asked before its end is read again rather than taken as finished.
inline size_t ReadFully(TStream& stream, uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    const int64_t n = stream.Read(buffer + done, static_cast<int64_t>(count - done));
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

// Input in chunks of a fixed size (fewer bytes only at the end of the
// stream), taken straight from the stream's read window where it holds a
// whole chunk (memory streams) and copied through a buffer otherwise. Bytes
// are peeked first and consumed afterwards, so a caller that stops early
// leaves the stream just after the bytes it used.
class ChunkSource {
 public:
  ChunkSource(TStream& stream, size_t chunk) : stream_(stream), chunk_(chunk), buffer_(chunk) {}

  // The next chunk (empty at the end). Valid until Consume.
  std::span<const uint8_t> Peek() {
    const std::span<const uint8_t> window = stream_.ReadWindow();
    if (window.size() >= chunk_) {
      from_window_ = true;
      peeked_ = chunk_;
      return window.first(chunk_);
    }
    from_window_ = false;
    peeked_ = ReadFully(stream_, buffer_.data(), chunk_);
    return {buffer_.data(), peeked_};
  }

  // Moves the stream just past the first n bytes of the last Peek. A stream
  // read through the buffer is moved back where it can seek.
  void Consume(size_t n) {
    if (from_window_) {
      stream_.AdvanceWindow(static_cast<int64_t>(n));
    } else if (n < peeked_) {
      stream_.Seek(-static_cast<int64_t>(peeked_ - n), soCurrent);
    }
  }

  size_t chunk() const noexcept { return chunk_; }

 private:
  TStream& stream_;
  size_t chunk_;
  ChunkBuffer buffer_;
  size_t peeked_ = 0;
  bool from_window_ = false;
};

}  // namespace zel::internal
