// Fuzz target: TRLEncoder.
//
// Properties checked: decode(encode(x)) = x for any x, encoded in pieces of
// varying sizes with a block size taken from the input; arbitrary bytes into
// the decoder never crash, the single-byte and bulk decoders agree, and the
// output never exceeds 255 bytes per input byte.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "zel/dstruct/rlencoder.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

using Bytes = std::vector<uint8_t>;

void Drain(zel::TRLEncoder& r, Bytes& out) {
  Bytes block;
  while (r.BufPoi() >= r.BufLeng()) {
    const size_t before = static_cast<size_t>(r.BufPoi());
    r.GetResult(block);
    Check(static_cast<size_t>(r.BufPoi()) + static_cast<size_t>(r.BufLeng()) == before);
    out.insert(out.end(), block.begin(), block.begin() + r.BufLeng());
  }
}

Bytes Decode(const uint8_t* data, size_t size, int32_t buf_leng, bool bulk) {
  zel::TRLEncoder dec(nullptr);
  dec.SetBufLeng(buf_leng);
  Bytes out, block;
  if (bulk) {
    dec.Decode(data, size);
  } else {
    for (size_t i = 0; i < size; ++i)
      if (dec.Decode(data[i])) Drain(dec, out);
  }
  Drain(dec, out);
  for (int32_t n; (n = dec.TakeRest(block)) > 0;)
    out.insert(out.end(), block.begin(), block.begin() + n);
  Check(dec.BufPoi() == 0);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t buf_leng = 1 + data[0] % 64;
  const size_t piece = 1 + data[1];
  data += 2;
  size -= 2;

  zel::TRLEncoder enc(nullptr);
  enc.SetBufLeng(buf_leng);
  Bytes code, block;
  for (size_t i = 0; i < size; i += piece) {
    const size_t n = piece < size - i ? piece : size - i;
    enc.Encode(data + i, n);
    Drain(enc, code);
  }
  size_t finishes = 0;
  for (int32_t n = buf_leng; n == buf_leng; ++finishes) {
    n = enc.Finish(block);
    code.insert(code.end(), block.begin(), block.begin() + n);
  }
  // Each Finish adds at most one triple, and fewer than BufLeng bytes wait
  // before the first, so the loop ends after a few calls.
  Check(finishes <= 5);
  Check(code.size() <= 3 * size + 3 * finishes);
  const Bytes back = Decode(code.data(), code.size(), buf_leng, true);
  Check(back == Bytes(data, data + size));

  const Bytes one = Decode(data, size, buf_leng, false);
  const Bytes bulk = Decode(data, size, 4096, true);
  Check(one == bulk);
  Check(one.size() <= 255 * size);
  return 0;
}
