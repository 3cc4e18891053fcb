#include "zel/dstruct/rlencoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <stdexcept>

#include "zel/dstruct/internal/component_error.h"

namespace zel {

namespace {

constexpr uint8_t kLead = TRLEncoder::kLeadInByte;
constexpr size_t kChunk = size_t{1} << 16;  // encoder input per room check

// Number of bytes equal to b at the start of [p, end), a word at a time.
size_t RunLength(const uint8_t* p, const uint8_t* end, uint8_t b) noexcept {
  const uint8_t* start = p;
  const uint64_t pattern = 0x0101010101010101u * b;
  while (end - p >= 8) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    const uint64_t diff = w ^ pattern;
    if (diff != 0) return static_cast<size_t>(p - start) + (std::countr_zero(diff) >> 3);
    p += 8;
  }
  while (p < end && *p == b) ++p;
  return static_cast<size_t>(p - start);
}

}  // namespace

TRLEncoder::TRLEncoder(TComponent* AOwner) : TComponent(AOwner) {
  try {
    FBuffer.assign(4 * static_cast<size_t>(FBufLeng), 0);
  } catch (const std::bad_alloc&) {
    internal::RaiseComponentError(*this, internal::kNotEnoughMemory);
  }
}

TRLEncoder::~TRLEncoder() = default;

String TRLEncoder::ClassName() const { return u"TRLEncoder"; }

void TRLEncoder::SetBufLeng(int32_t Value) {
  if (Value < 1 || Value == FBufLeng) return;
  const size_t want = 4 * static_cast<size_t>(Value);
  if (FBuffer.size() < want) {
    try {
      FBuffer.resize(want, 0);
    } catch (const std::bad_alloc&) {
      internal::RaiseComponentError(*this, internal::kNotEnoughMemory);
    } catch (const std::length_error&) {
      internal::RaiseComponentError(*this, internal::kNotEnoughMemory);
    }
  }
  FBufLeng = Value;
}

void TRLEncoder::Reset() noexcept {
  head_ = tail_ = 0;
  FCount = 0;
  FLastB = 0;
  FDecodeSt = rlData;
  closed_ = false;
}

uint8_t* TRLEncoder::MakeRoom(size_t n) {
  const size_t waiting = tail_ - head_;
  if (head_ > 0) {
    std::memmove(FBuffer.data(), FBuffer.data() + head_, waiting);
    head_ = 0;
    tail_ = waiting;
  }
  if (FBuffer.size() - tail_ < n) {
    try {
      FBuffer.resize(std::max(FBuffer.size() * 2, tail_ + n));
    } catch (const std::bad_alloc&) {
      internal::RaiseComponentError(*this, internal::kNotEnoughMemory);
    }
  }
  return FBuffer.data() + tail_;
}

void TRLEncoder::EncodeChunk(const uint8_t* in, size_t n) {
  // Every input byte adds at most three output bytes.
  uint8_t* const first = Room(3 * n + 3);
  uint8_t* o = first;
  const uint8_t* p = in;
  const uint8_t* const end = in + n;
  uint32_t c = FCount;
  uint8_t l = FLastB;
  while (p < end) {
    if (c == 0) {
      c = 1;
      l = *p++;
      continue;
    }
    const size_t r = RunLength(p, end, l);
    if (r != 0) {
      // Each time the count reaches 255 a full triple goes out.
      size_t total = c + r;
      for (; total >= 255; total -= 255) {
        o[0] = kLead;
        o[1] = 255;
        o[2] = l;
        o += 3;
      }
      c = static_cast<uint32_t>(total);
      p += r;
      continue;
    }
    // A different byte ends the pending run.
    if (l != kLead && c <= 2) {
      *o++ = l;
      if (c == 2) *o++ = l;
    } else {
      o[0] = kLead;
      o[1] = static_cast<uint8_t>(c);
      o[2] = l;
      o += 3;
    }
    c = 1;
    l = *p++;
  }
  FCount = static_cast<uint8_t>(c);
  FLastB = l;
  tail_ += static_cast<size_t>(o - first);
}

bool TRLEncoder::Encode(const uint8_t* InBuf, size_t NumBytes) {
  closed_ = false;
  for (size_t done = 0; done < NumBytes;) {
    const size_t n = std::min(kChunk, NumBytes - done);
    EncodeChunk(InBuf + done, n);
    done += n;
  }
  return Full();
}

bool TRLEncoder::Encode(const TBytes& InBuf, int32_t NumBytes) {
  const size_t n = NumBytes <= 0 ? 0 : std::min(InBuf.size(), static_cast<size_t>(NumBytes));
  return Encode(InBuf.data(), n);
}

bool TRLEncoder::Decode(uint8_t InByte) { return Decode(&InByte, 1); }

bool TRLEncoder::Decode(const uint8_t* InBuf, size_t NumBytes) {
  const uint8_t* p = InBuf;
  const uint8_t* const end = InBuf + NumBytes;
  while (p < end) {
    switch (FDecodeSt) {
      case rlData: {
        // Literal stretches are copied whole and complete triples expanded
        // on the spot; only a triple cut by the end of the input goes
        // through the states.
        for (;;) {
          const auto* lead = static_cast<const uint8_t*>(
              *p == kLead ? p : std::memchr(p, kLead, static_cast<size_t>(end - p)));
          const uint8_t* stop = lead != nullptr ? lead : end;
          const auto n = static_cast<size_t>(stop - p);
          if (n != 0) {
            std::memcpy(Room(n), p, n);
            tail_ += n;
          }
          p = stop;
          if (lead == nullptr) break;
          if (end - lead < 3) {
            FDecodeSt = rlLeadin;
            ++p;
            break;
          }
          if (const uint8_t count = lead[1]; count != 0) {
            std::memset(Room(count), lead[2], count);
            tail_ += count;
          }
          p = lead + 3;
          if (p == end) break;
        }
        break;
      }
      case rlLeadin:
        FCount = *p++;
        FDecodeSt = rlCnt;
        break;
      case rlCnt:
        if (FCount != 0) {
          std::memset(Room(FCount), *p, FCount);
          tail_ += FCount;
        }
        ++p;
        FCount = 0;
        FDecodeSt = rlData;
        break;
    }
  }
  return Full();
}

int32_t TRLEncoder::TakeUpTo(uint8_t* OutBuf) noexcept {
  const size_t n = std::min(tail_ - head_, static_cast<size_t>(FBufLeng));
  if (n != 0) std::memcpy(OutBuf, FBuffer.data() + head_, n);
  head_ += n;
  if (head_ == tail_) head_ = tail_ = 0;
  return static_cast<int32_t>(n);
}

void TRLEncoder::GetResult(uint8_t* OutBuf) {
  if (Full()) TakeUpTo(OutBuf);
}

void TRLEncoder::GetResult(TBytes& OutBuf) {
  if (!Full()) return;
  if (OutBuf.size() < static_cast<size_t>(FBufLeng)) OutBuf.resize(static_cast<size_t>(FBufLeng));
  TakeUpTo(OutBuf.data());
}

int32_t TRLEncoder::Finish(uint8_t* OutBuf) {
  // Block sizes of 3 and less get one triple per encoding: a triple per
  // call would keep at least BufLeng bytes waiting forever.
  if (!closed_ || FBufLeng > 3) {
    uint8_t* o = Room(3);
    o[0] = kLead;
    o[1] = FCount;
    o[2] = FLastB;
    tail_ += 3;
    FCount = 0;
    closed_ = true;
  }
  return TakeUpTo(OutBuf);
}

int32_t TRLEncoder::Finish(TBytes& OutBuf) {
  if (OutBuf.size() < static_cast<size_t>(FBufLeng)) OutBuf.resize(static_cast<size_t>(FBufLeng));
  return Finish(OutBuf.data());
}

int32_t TRLEncoder::TakeRest(uint8_t* OutBuf) { return TakeUpTo(OutBuf); }

int32_t TRLEncoder::TakeRest(TBytes& OutBuf) {
  if (OutBuf.size() < static_cast<size_t>(FBufLeng)) OutBuf.resize(static_cast<size_t>(FBufLeng));
  return TakeUpTo(OutBuf.data());
}

}  // namespace zel
