// TRLEncoder: incremental run-length encoding and decoding of byte data.
//
// The code is a sequence of two kinds of item, read left to right:
//  - a literal byte: any byte other than 0xA5 stands for itself;
//  - a run triple: 0xA5, n, b stands for n copies of byte b (n = 0: nothing).
// The encoder writes a run of 1 or 2 equal bytes (other than 0xA5) literally,
// and a run of 3 to 255 bytes, and any run of 0xA5 bytes, as one triple; a
// longer run is cut into triples of 255 and a remainder. Finish ends the
// code with a triple for the pending run, also when it is empty (A5 00 and
// the last byte value, 0 after creation or Reset), so 41 41 41 42 encodes as
// A5 03 41 A5 01 42 and nothing as A5 00 00.
//
// Input comes in pieces (Encode, Decode); output is collected in blocks of
// BufLeng bytes: whenever a call returns true, at least BufLeng bytes are
// waiting and GetResult takes the first BufLeng of them. At the end of an
// encoding, Finish takes the rest (call it until it returns less than
// BufLeng); at the end of a decoding, TakeRest does (BufPoi() tells how many
// bytes wait). One object encodes or decodes one stream at a time; Reset
// starts again.
//
// The output buffer starts at 4 x BufLeng bytes and grows when more is
// waiting (a piece of literal bytes alternating with lone 0xA5 bytes encodes
// to two bytes per byte; one triple decodes to 255 bytes), so input of any
// size and any BufLeng are safe: nothing is ever written past the buffer and
// nothing waiting is dropped. Taking a block does not move the bytes behind
// it, so a large backlog is drained in linear time.
//
// Speed: runs are found a word at a time and literal stretches are copied
// whole, so encoding and decoding run at memory speed on run-heavy data
// (several GB/s); the bulk overloads of Encode and Decode avoid the per-call
// cost of the single-byte Decode.
//
// Not thread-safe: one encoder belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "zel/runtime/classes.h"
#include "zel/runtime/types.h"

namespace zel {

// Decoder state: expecting data, the count after a lead-in, the byte value.
enum TDecodeSt : uint8_t { rlData, rlLeadin, rlCnt };

class ZEL_API TRLEncoder : public TComponent {
 public:
  // The lead-in byte that starts a run triple.
  static constexpr uint8_t kLeadInByte = 0xA5;

  // BufLeng 256, nothing waiting, count and last byte 0, state rlData.
  // AOwner (may be null) owns the new encoder and deletes it with itself.
  // Raises EZELDStructError Component "<Name>": not enough memory on heap
  // when the buffer cannot be allocated.
  explicit TRLEncoder(TComponent* AOwner);
  ~TRLEncoder() override;

  String ClassName() const override;

  // The block size of the output in bytes (see SetBufLeng).
  int32_t BufLeng() const noexcept { return FBufLeng; }
  // The block size of the output. Values below 1 and the current value are
  // ignored. Waiting bytes stay waiting (nothing is dropped). Raises
  // EZELDStructError Component "<Name>": not enough memory on heap when the
  // buffer cannot be allocated (BufLeng is then unchanged).
  void SetBufLeng(int32_t Value);
  // Number of output bytes waiting.
  int32_t BufPoi() const noexcept { return static_cast<int32_t>(tail_ - head_); }
  uint8_t LeadInByte() const noexcept { return kLeadInByte; }  // Always kLeadInByte (0xA5).
  // Where the decoder stands in the code between Decode calls (rlData after
  // creation, Reset and every complete item).
  TDecodeSt DecodeState() const noexcept { return FDecodeSt; }

  // Encodes the first NumBytes bytes of InBuf (NumBytes is clamped into
  // 0..InBuf.size()); true when at least BufLeng bytes are waiting.
  bool Encode(const TBytes& InBuf, int32_t NumBytes);
  bool Encode(const uint8_t* InBuf, size_t NumBytes);
  // Decodes the byte InByte, or the first NumBytes bytes of InBuf; true when
  // at least BufLeng bytes are waiting.
  bool Decode(uint8_t InByte);
  bool Decode(const uint8_t* InBuf, size_t NumBytes);
  // With at least BufLeng bytes waiting: copies the first BufLeng of them to
  // OutBuf and keeps the rest; otherwise does nothing. The vector form
  // enlarges a smaller OutBuf to BufLeng bytes; the pointer form needs room
  // for BufLeng bytes.
  void GetResult(TBytes& OutBuf);
  void GetResult(uint8_t* OutBuf);
  // Ends an encoding: appends the triple for the pending run (also when it
  // is empty), then copies up to BufLeng waiting bytes to OutBuf and returns
  // their number; the pending run is then empty. While the result equals
  // BufLeng, more may wait: call Finish again. Each further call first
  // appends the triple of the empty run (A5 00 and the last byte value),
  // which decodes to nothing, so the waiting bytes shrink by BufLeng - 3 per
  // call and the loop "Finish until less than BufLeng" ends. With a BufLeng
  // of 3 or less that loop would never end, so there the triple is appended
  // only by the first Finish after an Encode or Reset and further calls just
  // hand out what waits.
  int32_t Finish(TBytes& OutBuf);
  int32_t Finish(uint8_t* OutBuf);
  // Copies up to BufLeng waiting bytes to OutBuf and returns their number,
  // without appending anything: the end of a decoding (call it until it
  // returns 0, or less than BufLeng).
  int32_t TakeRest(TBytes& OutBuf);
  int32_t TakeRest(uint8_t* OutBuf);
  // Nothing waiting, count and last byte 0, state rlData.
  void Reset() noexcept;

 private:
  // Room for n more bytes at the tail (compacts or grows the buffer).
  uint8_t* Room(size_t n) {
    return FBuffer.size() - tail_ >= n ? FBuffer.data() + tail_ : MakeRoom(n);
  }
  uint8_t* MakeRoom(size_t n);
  void EncodeChunk(const uint8_t* in, size_t n);
  int32_t TakeUpTo(uint8_t* OutBuf) noexcept;
  bool Full() const noexcept { return tail_ - head_ >= static_cast<size_t>(FBufLeng); }

  int32_t FBufLeng = 256;
  std::vector<uint8_t> FBuffer;
  size_t head_ = 0;  // first waiting byte
  size_t tail_ = 0;  // one past the last waiting byte
  TDecodeSt FDecodeSt = rlData;
  uint8_t FCount = 0;
  uint8_t FLastB = 0;
  bool closed_ = false;  // Finish has appended a triple since the last Encode
};

}  // namespace zel
