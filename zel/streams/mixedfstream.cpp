#include "zel/streams/mixedfstream.h"

#include <typeinfo>

#include "zel/streams/internal/byte_reader.h"
#include "zel/streams/primitives.h"

namespace zel {

TMixedFStream::TMixedFStream(const String& AFileName, uint16_t Mode)
    : TFileStream(AFileName, Mode) {}

TMixedFStream::~TMixedFStream() = default;

String TMixedFStream::ClassName() const { return u"TMixedFStream"; }

std::span<const uint8_t> TMixedFStream::DoReadWindow() {
  // A caller's subclass may override Read: it gets no window, so its Read
  // sees every byte, as for the runtime's own stream classes.
  if (typeid(*this) != typeid(TMixedFStream)) return {};
  return ReadAheadWindow();
}

void TMixedFStream::DoAdvanceWindow(int64_t Count) { AdvanceReadAhead(Count); }

bool TMixedFStream::Eos() { return Position() >= Size(); }

void TMixedFStream::Write(const String& AString) { WriteStringStream(*this, AString); }

void TMixedFStream::WriteLn(const String& AString) { WriteLnStream(*this, AString); }

void TMixedFStream::WriteByte(uint8_t aNum) { WriteBuffer(&aNum, 1); }

void TMixedFStream::WriteInteger(int32_t aNum) { WriteLongintToStream(*this, aNum); }

void TMixedFStream::WriteDouble(double aNum) { WriteDoubleToStream(*this, aNum); }

uint8_t TMixedFStream::ReadByte(bool& error) {
  uint8_t b = 0;
  try {
    ReadBuffer(&b, 1);
    error = false;
  } catch (...) {
    error = true;
  }
  return b;
}

int32_t TMixedFStream::ReadInteger(bool& error) { return ReadLongintFromStream(*this, error); }

double TMixedFStream::ReadDouble(bool& error) { return ReadDoubleFromStream(*this, error); }

long double TMixedFStream::ReadExtended(bool& error) {
  return ReadExtendedFromStream(*this, error);
}

String TMixedFStream::ReadLn(int32_t EOLMode) {
  String line;
  internal::ByteReader r(*this);
  int prev = 0;
  for (;;) {
    const int b = r.Next();
    if (b < 0) break;
    if (b >= 32 || b == 9) {
      line.push_back(static_cast<Char>(b));
    } else if ((EOLMode == 0 && b == 10) || (EOLMode == 1 && b == 13) ||
               (EOLMode == 2 && (b == 10 || b == 13)) || (EOLMode == 3 && b == 13 && prev == 10) ||
               (EOLMode == 4 && b == 10 && prev == 13)) {
      break;
    }
    prev = b;
  }
  return line;
}

int32_t TMixedFStream::ReadDecimal() { return ScanStreamDecimal(*this); }

double TMixedFStream::ReadFPNum(bool AllowExp, int32_t DecPChar) {
  return ScanStreamFPNum(*this, AllowExp, DecPChar);
}

}  // namespace zel
