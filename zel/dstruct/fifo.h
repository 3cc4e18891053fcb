// TFifo: a first-in first-out queue of bytes in a fixed ring buffer.
//
// The ring has Size slots and always keeps one free, so it queues at most
// Size - 1 bytes (255 with the default Size of 256). Besides PutByte and
// GetByte it can overwrite the oldest byte when full (ForceByte), push a byte
// back to the read end so that it is read next (LoadBack) and peek at any
// queued byte (SenseByte, 0 = oldest). Full and empty conditions are reported
// through the results; nothing raises after construction except a failed
// allocation. Cost: O(1) per byte; SetSize O(Size).
//
// Not thread-safe: one FIFO belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "zel/runtime/classes.h"
#include "zel/runtime/types.h"

namespace zel {

class ZEL_API TFifo : public TComponent {
 public:
  // Size 256, empty. AOwner (may be null) owns the new FIFO and deletes it
  // with itself. Raises EZELDStructError
  // Component "<Name>": FIFO structure too large when the ring cannot be
  // allocated.
  explicit TFifo(TComponent* AOwner);
  ~TFifo() override;

  String ClassName() const override;

  // Number of slots in the ring; the FIFO holds at most Size - 1 bytes.
  int32_t Size() const noexcept { return FLength; }
  // Changes the number of slots to length. Values below 1 and the current
  // size are ignored. The queued bytes stay queued, in order (the ring is
  // laid out anew from its first slot). When more than length - 1 bytes are
  // queued, the oldest ones are discarded until the rest fits, as ForceByte
  // discards the oldest byte of a full FIFO: the newest length - 1 bytes
  // remain (none for length 1).
  // Raises EZELDStructError Component "<Name>": FIFO structure too large when
  // the ring cannot be allocated (the FIFO is then unchanged).
  void SetSize(int32_t length);

  // Appends InByte at the write end; false (nothing stored) when full.
  bool PutByte(Byte InByte);
  // Appends InByte at the write end, first discarding the oldest byte when
  // full; true when a byte was discarded.
  bool ForceByte(Byte InByte);
  // Puts InByte in front of the oldest byte, so that it is read next; false
  // (nothing changed) when full.
  bool LoadBack(Byte InByte);
  // Removes the oldest byte into OutByte; false (OutByte unchanged) when
  // empty.
  bool GetByte(Byte& OutByte);
  // Copies queued byte number ix (0 = oldest) without removing it; false
  // (OutByte unchanged) when ix is negative or not below CountBytes().
  bool SenseByte(int32_t ix, Byte& OutByte) const;
  // Number of bytes queued (0..Size - 1).
  int32_t CountBytes() const noexcept;
  // Empties the FIFO (both positions to 0).
  void Clear() noexcept;

 private:
  bool Full() const noexcept;
  int32_t Advance(int32_t p) const noexcept { return p + 1 == FLength ? 0 : p + 1; }

  int32_t FInPoi = 0;
  int32_t FOutPoi = 0;
  int32_t FLength = 0;
  std::vector<Byte> FData;
};

}  // namespace zel
