#include "zel/dstruct/fifo.h"

#include <new>

#include "zel/dstruct/internal/component_error.h"

namespace zel {

namespace {
constexpr char16_t kTooLarge[] = u"FIFO structure too large";
}

TFifo::TFifo(TComponent* AOwner) : TComponent(AOwner) {
  try {
    FData.assign(256, 0);
  } catch (const std::bad_alloc&) {
    internal::RaiseComponentError(*this, kTooLarge);
  }
  FLength = 256;
}

TFifo::~TFifo() = default;

String TFifo::ClassName() const { return u"TFifo"; }

void TFifo::SetSize(int32_t length) {
  if (length <= 0 || length == FLength) return;
  const int32_t queued = CountBytes();
  // Bytes that no longer fit are dropped from the read end, oldest first.
  const int32_t dropped = queued > length - 1 ? queued - (length - 1) : 0;
  const int32_t count = queued - dropped;
  std::vector<Byte> ring;
  try {
    ring.assign(static_cast<size_t>(length), 0);
  } catch (const std::bad_alloc&) {
    internal::RaiseComponentError(*this, kTooLarge);
  }
  for (int32_t i = 0; i < count; ++i) SenseByte(dropped + i, ring[static_cast<size_t>(i)]);
  FData.swap(ring);
  FLength = length;
  FOutPoi = 0;
  FInPoi = count;
}

bool TFifo::Full() const noexcept {
  int32_t d = FOutPoi - FInPoi;
  if (d <= 0) d += FLength;
  return d == 1;
}

bool TFifo::PutByte(Byte InByte) {
  if (Full()) return false;
  FData[static_cast<size_t>(FInPoi)] = InByte;
  FInPoi = Advance(FInPoi);
  return true;
}

bool TFifo::ForceByte(Byte InByte) {
  const bool discarded = Full();
  if (discarded) FOutPoi = Advance(FOutPoi);
  // A one-slot ring can never hold a byte: it stays empty.
  if (Full()) return discarded;
  FData[static_cast<size_t>(FInPoi)] = InByte;
  FInPoi = Advance(FInPoi);
  return discarded;
}

bool TFifo::LoadBack(Byte InByte) {
  if (Full()) return false;
  FOutPoi = FOutPoi == 0 ? FLength - 1 : FOutPoi - 1;
  FData[static_cast<size_t>(FOutPoi)] = InByte;
  return true;
}

bool TFifo::GetByte(Byte& OutByte) {
  if (FOutPoi == FInPoi) return false;
  OutByte = FData[static_cast<size_t>(FOutPoi)];
  FOutPoi = Advance(FOutPoi);
  return true;
}

bool TFifo::SenseByte(int32_t ix, Byte& OutByte) const {
  if (ix < 0 || ix >= CountBytes()) return false;
  int32_t p = FOutPoi + ix;
  if (p >= FLength) p -= FLength;
  OutByte = FData[static_cast<size_t>(p)];
  return true;
}

int32_t TFifo::CountBytes() const noexcept {
  const int32_t d = FInPoi - FOutPoi;
  return d < 0 ? d + FLength : d;
}

void TFifo::Clear() noexcept {
  FInPoi = 0;
  FOutPoi = 0;
}

}  // namespace zel
