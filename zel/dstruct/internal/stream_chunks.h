// Chunked stream reading shared by the encoders of zel/dstruct: the
// encodings are defined on small blocks, but moving data through a stream in
// large chunks gives the same bytes at a fraction of the per-call cost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

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

}  // namespace zel::internal
