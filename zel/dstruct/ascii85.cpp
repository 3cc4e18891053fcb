#include "zel/dstruct/ascii85.h"

#include "zel/dstruct/internal/stream_chunks.h"
#include "zel/runtime/exception.h"

namespace zel {

namespace {

constexpr size_t kChunk = 64 * 1024;  // multiple of 4: whole groups per chunk

// Output collected in one buffer and written in large pieces.
class Output {
 public:
  Output(TStream& stream, size_t capacity) : stream_(stream), buf_(capacity), cap_(capacity) {}
  // Makes room for n more bytes.
  void Reserve(size_t n) {
    if (len_ + n > cap_) Flush();
  }
  void Put(uint8_t b) { buf_[len_++] = b; }
  void Flush() {
    if (len_ != 0) stream_.WriteBuffer(buf_.data(), static_cast<int64_t>(len_));
    len_ = 0;
  }

 private:
  TStream& stream_;
  internal::ChunkBuffer buf_;
  size_t cap_;
  size_t len_ = 0;
};

}  // namespace

void EncodeASCII85(TStream& InStream, TStream& OutStream, bool LineBreaks) {
  internal::ChunkBuffer src(kChunk);
  Output out(OutStream, kChunk / 4 * 5 + kChunk / 48 * 2 + 16);
  int line_groups = 0;
  for (;;) {
    const size_t n = internal::ReadFully(InStream, src.data(), kChunk);
    out.Reserve(n / 4 * 5 + n / 48 * 2 + 16);
    for (size_t i = 0; i < n; i += 4) {
      const size_t len = n - i < 4 ? n - i : 4;
      uint32_t v = 0;
      for (size_t j = 0; j < len; ++j) v = (v << 8) | src[i + j];
      if (len == 4 && v == 0) {
        out.Put('z');
        continue;
      }
      // A short group is its own value in len + 1 digits.
      uint8_t digits[5];
      for (size_t j = len + 1; j-- > 0;) {
        digits[j] = static_cast<uint8_t>(v % 85 + 33);
        v /= 85;
      }
      for (size_t j = 0; j <= len; ++j) out.Put(digits[j]);
      if (++line_groups > 11) {
        line_groups = 0;
        if (LineBreaks) {
          out.Put(13);
          out.Put(10);
        }
      }
    }
    if (n < kChunk) break;
  }
  out.Put('~');
  out.Put('>');
  out.Flush();
}

int32_t DecodeASCII85(TStream& InStream, TStream& OutStream) {
  internal::ChunkBuffer src(kChunk);
  Output out(OutStream, kChunk);
  int32_t result = 0;
  uint32_t value = 0;
  int digits = 0;  // digits of the current group held so far
  // Writes the low digits - 1 bytes of the group's value.
  auto emit = [&] {
    for (int j = digits - 2; j >= 0; --j) out.Put(static_cast<uint8_t>(value >> (8 * j)));
    value = 0;
    digits = 0;
  };
  for (;;) {
    const size_t n = internal::ReadFully(InStream, src.data(), kChunk);
    for (size_t i = 0; i < n; ++i) {
      const uint8_t c = src[i];
      if (c == 13 || c == 10) continue;
      out.Reserve(4);  // no character adds more than four bytes
      if (digits == 0 && c == 'z') {
        for (int j = 0; j < 4; ++j) out.Put(0);
        continue;
      }
      if (c == '~') {
        emit();
        out.Flush();
        if (i + 1 < n) InStream.Seek(-static_cast<int64_t>(n - i - 1), soCurrent);
        return result;
      }
      if (c < '!' || c > 'u') result = c == 'z' ? -2 : -1;
      const uint64_t scaled = uint64_t{value} * 85;
      const int64_t next = static_cast<int64_t>(scaled) + (int64_t{c} - 33);
      if (scaled > 0xFFFFFFFFu || next < 0 || next > 0xFFFFFFFF) {
        out.Flush();
        throw EIntOverflow(u"Integer overflow");
      }
      value = static_cast<uint32_t>(next);
      if (++digits == 5) emit();
    }
    if (n < kChunk) break;
  }
  // Text without the end mark: the last group decodes as a short group.
  emit();
  out.Flush();
  return result;
}

}  // namespace zel
