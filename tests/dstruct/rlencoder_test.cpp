// TRLEncoder: the code's examples, round trips against a literal per-byte
// model of the encoder, buffer growth on hostile input, and the decoder's
// end of stream.
#include "zel/dstruct/rlencoder.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "zel/base/errors.h"

namespace zel {
namespace {

using Bytes = std::vector<uint8_t>;

// The closing loop of a caller that holds `waiting` bytes and calls Finish
// until it returns less than BufLeng: every call appends the triple of the
// pending run (empty after the first) and hands out one block. Ends only for
// a BufLeng above 3.
Bytes ModelFinishLoop(Bytes waiting, size_t buf_leng, uint8_t c, uint8_t l) {
  Bytes out;
  for (;;) {
    waiting.insert(waiting.end(), {0xA5, c, l});
    c = 0;
    if (waiting.size() < buf_leng) break;
    out.insert(out.end(), waiting.begin(), waiting.begin() + static_cast<long>(buf_leng));
    waiting.erase(waiting.begin(), waiting.begin() + static_cast<long>(buf_leng));
  }
  out.insert(out.end(), waiting.begin(), waiting.end());
  return out;
}

// The encoder byte by byte, as the code describes it, for a caller that
// takes every full block of buf_leng bytes as it comes.
Bytes ModelEncode(const Bytes& in, size_t buf_leng = 256) {
  Bytes out;
  unsigned c = 0;
  uint8_t l = 0;
  auto flush = [&] {
    if (c == 1 && l != 0xA5) {
      out.push_back(l);
    } else if (c == 2 && l != 0xA5) {
      out.insert(out.end(), {l, l});
    } else {
      out.insert(out.end(), {0xA5, static_cast<uint8_t>(c), l});
    }
  };
  for (uint8_t b : in) {
    if (c == 0) {
      c = 1;
      l = b;
    } else if (b == l) {
      if (++c == 255) {
        out.insert(out.end(), {0xA5, 255, l});
        c = 0;
      }
    } else {
      flush();
      c = 1;
      l = b;
    }
  }
  const size_t waiting = out.size() % buf_leng;
  const Bytes rest(out.end() - static_cast<long>(waiting), out.end());
  out.resize(out.size() - waiting);
  const Bytes closing = ModelFinishLoop(rest, buf_leng, static_cast<uint8_t>(c), l);
  out.insert(out.end(), closing.begin(), closing.end());
  return out;
}

// Encodes in pieces of `piece` bytes, collecting blocks as a caller does.
Bytes Encode(const Bytes& in, int32_t buf_leng = 256, size_t piece = 100) {
  TRLEncoder enc(nullptr);
  enc.SetBufLeng(buf_leng);
  Bytes out, block;
  for (size_t i = 0; i < in.size(); i += piece) {
    const size_t n = std::min(piece, in.size() - i);
    const Bytes part(in.begin() + static_cast<long>(i), in.begin() + static_cast<long>(i + n));
    if (enc.Encode(part, static_cast<int32_t>(n))) {
      while (enc.BufPoi() >= enc.BufLeng()) {
        enc.GetResult(block);
        out.insert(out.end(), block.begin(), block.begin() + buf_leng);
      }
    }
  }
  for (;;) {
    const int32_t n = enc.Finish(block);
    out.insert(out.end(), block.begin(), block.begin() + n);
    if (n < enc.BufLeng()) break;
  }
  return out;
}

Bytes Decode(const Bytes& code, int32_t buf_leng = 256, bool bulk = false) {
  TRLEncoder dec(nullptr);
  dec.SetBufLeng(buf_leng);
  Bytes out, block;
  auto drain = [&] {
    while (dec.BufPoi() >= dec.BufLeng()) {
      dec.GetResult(block);
      out.insert(out.end(), block.begin(), block.begin() + buf_leng);
    }
  };
  if (bulk) {
    dec.Decode(code.data(), code.size());
    drain();
  } else {
    for (uint8_t b : code)
      if (dec.Decode(b)) drain();
  }
  for (int32_t n; (n = dec.TakeRest(block)) > 0;)
    out.insert(out.end(), block.begin(), block.begin() + n);
  EXPECT_EQ(dec.BufPoi(), 0);
  return out;
}

Bytes Repeat(size_t n, uint8_t b) { return Bytes(n, b); }
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes r;
  for (const auto& p : parts) r.insert(r.end(), p.begin(), p.end());
  return r;
}

TEST(RLEncoderTest, EncodesTheDocumentedExamples) {
  const struct {
    Bytes in, code;
  } cases[] = {
      {{0x41, 0x41, 0x41, 0x42}, {0xA5, 3, 0x41, 0xA5, 1, 0x42}},
      {{0x41, 0x42}, {0x41, 0xA5, 1, 0x42}},
      {{}, {0xA5, 0, 0}},
      {Repeat(255, 7), {0xA5, 255, 7, 0xA5, 0, 7}},
      {{0x41, 0x41, 0x42}, {0x41, 0x41, 0xA5, 1, 0x42}},
      {{0xA5, 0x41}, {0xA5, 1, 0xA5, 0xA5, 1, 0x41}},
      {Repeat(300, 0), {0xA5, 255, 0, 0xA5, 45, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.in.size()));
    EXPECT_EQ(Encode(c.in), c.code);
    EXPECT_EQ(ModelEncode(c.in), c.code);
  }
}

TEST(RLEncoderTest, RoundTripsAndMatchesTheModel) {
  std::mt19937 gen(7);
  std::vector<Bytes> inputs = {
      Cat({Repeat(1, 0xA5),
           Repeat(2, 1),
           Repeat(3, 2),
           Repeat(255, 3),
           Repeat(256, 4),
           Repeat(510, 0xA5),
           {9}}),
      Repeat(100000, 0x11),
  };
  for (int k = 0; k < 40; ++k) {  // runs of random lengths over a few values
    Bytes b;
    while (b.size() < 5000) {
      const size_t len = gen() % (k % 2 ? 600 : 5) + 1;
      b.insert(b.end(), len, static_cast<uint8_t>(gen() % 4 == 0 ? 0xA5 : gen() % 3));
    }
    inputs.push_back(b);
  }
  for (size_t i = 0; i < inputs.size(); ++i) {
    SCOPED_TRACE(i);
    const Bytes code = ModelEncode(inputs[i]);
    for (const size_t piece : {size_t{1}, size_t{7}, size_t{256}, size_t{100000}}) {
      EXPECT_EQ(Encode(inputs[i], 256, piece), code);
    }
    EXPECT_EQ(Encode(inputs[i], 5, 7), ModelEncode(inputs[i], 5));
    EXPECT_EQ(Decode(code), inputs[i]);
    EXPECT_EQ(Decode(code, 1, true), inputs[i]);
    EXPECT_EQ(Decode(code, 4096, true), inputs[i]);
  }
}

// Lone lead-in bytes between other bytes make two output bytes per input
// byte, and one triple decodes to 255 bytes: the buffer grows, nothing is
// lost, whatever BufLeng is.
TEST(RLEncoderTest, BufferGrowsInsteadOfOverflowing) {
  Bytes hostile;
  for (int i = 0; i < 50000; ++i) hostile.insert(hostile.end(), {0xA5, 0x00});
  for (const int32_t bl : {1, 16, 256}) {
    SCOPED_TRACE(bl);
    TRLEncoder enc(nullptr);
    enc.SetBufLeng(bl);
    enc.Encode(hostile.data(), hostile.size());  // one call, no draining
    EXPECT_GE(enc.BufPoi(), static_cast<int32_t>(hostile.size()));
    EXPECT_EQ(Decode(Encode(hostile, bl, hostile.size()), bl), hostile);
  }
  TRLEncoder dec(nullptr);
  dec.SetBufLeng(1);
  for (int i = 0; i < 1000; ++i)
    for (uint8_t b : {0xA5, 0xFF, 0x33}) dec.Decode(b);
  EXPECT_EQ(dec.BufPoi(), 255000);
}

TEST(RLEncoderTest, BlocksAndStates) {
  TRLEncoder enc(nullptr);
  EXPECT_EQ(enc.BufLeng(), 256);
  EXPECT_EQ(enc.LeadInByte(), 0xA5);
  Bytes in;
  for (int i = 0; i < 300; ++i) in.push_back(static_cast<uint8_t>(i % 2));
  EXPECT_TRUE(enc.Encode(in, 300));  // 299 literal bytes waiting
  EXPECT_EQ(enc.BufPoi(), 299);
  Bytes block;
  enc.GetResult(block);
  EXPECT_EQ(block.size(), 256u);
  EXPECT_EQ(enc.BufPoi(), 43);
  enc.GetResult(block);  // fewer than BufLeng waiting: nothing happens
  EXPECT_EQ(enc.BufPoi(), 43);
  EXPECT_FALSE(enc.Encode(in, -5));
  EXPECT_FALSE(enc.Encode(in, 0));
  enc.SetBufLeng(0);  // ignored
  EXPECT_EQ(enc.BufLeng(), 256);
  enc.SetBufLeng(16);  // waiting bytes stay
  EXPECT_EQ(enc.BufPoi(), 43);
  enc.Reset();
  EXPECT_EQ(enc.BufPoi(), 0);

  TRLEncoder dec(nullptr);
  const struct {
    uint8_t in;
    TDecodeSt state;
    int32_t waiting;
  } steps[] = {{0xA5, rlLeadin, 0}, {0, rlCnt, 0}, {0x41, rlData, 0}, {0x41, rlData, 1},
               {0xA5, rlLeadin, 1}, {3, rlCnt, 1}, {0x42, rlData, 4}};
  for (const auto& s : steps) {
    dec.Decode(s.in);
    EXPECT_EQ(dec.DecodeState(), s.state);
    EXPECT_EQ(dec.BufPoi(), s.waiting);
  }
}

// Each further Finish appends the triple of the empty run, as the caller's
// loop expects; block sizes of 3 and less, where that loop could not end,
// get the closing triple once.
TEST(RLEncoderTest, FinishAppendsAnEmptyTriplePerFurtherCall) {
  const Bytes in = {1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 9};  // 8 literal bytes, run of 3 pending
  const Bytes literals(in.begin(), in.begin() + 8);
  for (const int32_t bl : {1, 2, 3, 4, 5, 8, 10, 11, 12, 256}) {
    SCOPED_TRACE(bl);
    TRLEncoder enc(nullptr);
    enc.SetBufLeng(bl);
    enc.Encode(in, static_cast<int32_t>(in.size()));  // nothing taken yet
    Bytes out, block;
    int calls = 0;
    for (int32_t n = bl; n == bl && calls < 100; ++calls) {
      n = enc.Finish(block);
      out.insert(out.end(), block.begin(), block.begin() + n);
    }
    const Bytes want = bl > 3 ? ModelFinishLoop(literals, static_cast<size_t>(bl), 3, 9)
                              : Cat({literals, {0xA5, 3, 9}});
    EXPECT_EQ(out, want);
    EXPECT_LT(calls, 100);
    EXPECT_EQ(Decode(out), in);
  }
  // With BufLeng 4: 8 + 3 waiting, and each of the 9 calls appends a triple
  // (8 of them A5 00 09) until fewer than 4 bytes are left.
  Bytes four = Cat({literals, {0xA5, 3, 9}});
  for (int k = 0; k < 8; ++k) four.insert(four.end(), {0xA5, 0, 9});
  EXPECT_EQ(ModelFinishLoop(literals, 4, 3, 9), four);
  // After a Finish that handed out everything, a further call still closes
  // with an empty triple.
  TRLEncoder enc(nullptr);
  Bytes block;
  enc.Encode(Bytes{0x41, 0x41, 0x41}, 3);
  EXPECT_EQ(enc.Finish(block), 3);
  EXPECT_EQ(Bytes(block.begin(), block.begin() + 3), (Bytes{0xA5, 3, 0x41}));
  EXPECT_EQ(enc.Finish(block), 3);
  EXPECT_EQ(Bytes(block.begin(), block.begin() + 3), (Bytes{0xA5, 0, 0x41}));
}

}  // namespace
}  // namespace zel
