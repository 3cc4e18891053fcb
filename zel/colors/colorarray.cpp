#include "zel/colors/colorarray.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>

#include "zel/base/errors.h"
#include "zel/colors/colormodels.h"
#include "zel/colors/colornames.h"
#include "zel/colors/internal/colormath.h"
#include "zel/colors/internal/colorscale.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/safefile.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/textfile.h"

namespace zel {

namespace {

constexpr int32_t kDefaultSize = 1000;

inline bool IsBlank(Char c) noexcept { return c == u' ' || c == u'\t'; }

// Two integers at the start of a header line: blanks, an optional sign and
// decimal digits each (32-bit range), separated by blanks. The rest of the
// line is ignored.
bool ParseHeader(std::u16string_view line, int32_t& first, int32_t& last) {
  size_t p = 0;
  const auto number = [&](int32_t& out) {
    while (p < line.size() && IsBlank(line[p])) ++p;
    bool neg = false;
    if (p < line.size() && (line[p] == u'-' || line[p] == u'+')) neg = line[p++] == u'-';
    const size_t start = p;
    int64_t v = 0;
    while (p < line.size() && line[p] >= u'0' && line[p] <= u'9') {
      v = v * 10 + (line[p++] - u'0');
      if (v > int64_t{INT32_MAX} + 1) return false;
    }
    if (p == start) return false;
    v = neg ? -v : v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    out = static_cast<int32_t>(v);
    return true;
  };
  if (!number(first)) return false;
  if (p >= line.size() || !IsBlank(line[p])) return false;
  return number(last) && (p == line.size() || IsBlank(line[p]));
}

// An entry line read with the hexadecimal parser from its first column:
// leading spaces skipped, "$" only in the first column, the last 8 digits of
// the number kept; the first other character ends it (no digit gives 0).
TColor ParseEntry(std::u16string_view line) {
  size_t pos = 1;
  return internal::ParseHexColor(line, pos);
}

}  // namespace

TColorArray::TColorArray(TComponent* AOwner) : TComponent(AOwner) {
  try {
    FColArray.assign(kDefaultSize, 0);
    FColArrayBak.assign(kDefaultSize, 0);
  } catch (const std::bad_alloc&) {
    RaiseNoMemory(u"not enough memory on heap");
  }
  FNColors = kDefaultSize;
  FillByInterpolation(0, ColorArray_Rainbow);
  Backup();
}

TColorArray::~TColorArray() = default;

String TColorArray::ClassName() const { return u"TColorArray"; }

void TColorArray::RaiseNoMemory(const char16_t* Detail) const {
  throw EZELColArrayError(u"Component \"" + Name() + u"\": " + Detail);
}

void TColorArray::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TColorArray*>(Source);
  if (!src) return TPersistent::Assign(Source);
  if (src == this) return;
  FColArray = src->FColArray;
  FColArrayBak = src->FColArrayBak;
  FNColors = src->FNColors;
}

void TColorArray::AssignTo(TPersistent* Dest) const {
  if (auto* dst = dynamic_cast<TColorArray*>(Dest)) return dst->Assign(this);
  TPersistent::AssignTo(Dest);
}

bool TColorArray::IsEqual(const TColorArray& OtherColorArray) const {
  return FNColors == OtherColorArray.FNColors && FColArray == OtherColorArray.FColArray;
}

void TColorArray::Changed() {
  if (FOnChange) FOnChange(this);
}

void TColorArray::SetSize(int32_t n) {
  if (n > 0 && n != FNColors) Resize(n);
}

TColor TColorArray::GetColorElem(int32_t ix) const noexcept {
  if (FColArray.empty()) return 0;
  return FColArray[static_cast<size_t>(std::clamp(ix, 1, FNColors) - 1)];
}

void TColorArray::SetColorElem(int32_t ix, TColor Value) {
  if (ix < 1 || ix > FNColors) return;
  FColArray[static_cast<size_t>(ix - 1)] = Value;
  Changed();
}

bool TColorArray::Resize(int32_t n) {
  if (n == FNColors) return true;
  if (n < 1) return false;
  try {
    // Grow both before committing either, so a failure leaves the array whole.
    std::vector<TColor> a(static_cast<size_t>(n), 0), b(static_cast<size_t>(n), 0);
    const size_t keep = std::min(static_cast<size_t>(n), FColArray.size());
    std::copy_n(FColArray.begin(), keep, a.begin());
    std::copy_n(FColArrayBak.begin(), std::min(keep, FColArrayBak.size()), b.begin());
    FColArray.swap(a);
    FColArrayBak.swap(b);
  } catch (const std::bad_alloc&) {
    RaiseNoMemory(u"not enough memory");
  } catch (const std::length_error&) {
    RaiseNoMemory(u"not enough memory");
  }
  FNColors = n;
  Changed();
  return true;
}

void TColorArray::Fill(TColor Color) {
  std::fill(FColArray.begin(), FColArray.end(), Color);
  Changed();
}

void TColorArray::FillByInterpolation(int32_t DiscreteLevels, const std::vector<TColor>& Colors) {
  FillByInterpolation(DiscreteLevels, std::span<const TColor>(Colors));
}

void TColorArray::FillByInterpolation(int32_t DiscreteLevels, std::span<const TColor> Colors) {
  if (Colors.size() < 2) return;
  // More support colours than any index can reach are never used.
  const int64_t h = static_cast<int64_t>(std::min<size_t>(Colors.size() - 1, INT32_MAX));
  internal::FillScale(FColArray.data(), FNColors, Colors.data(), h, DiscreteLevels);
  Changed();
}

void TColorArray::LogTransform(double Gamma) {
  Gamma = internal::Clamp01(Gamma);
  const int32_t n = FNColors;
  if (n > 1 && Gamma > 0) {
    const std::vector<TColor> old = FColArray;
    const double lnN = std::log(static_cast<double>(n));
    for (int32_t i = 1; i <= n; ++i) {
      const double x = Gamma * std::log(static_cast<double>(i)) * n / lnN + (1 - Gamma) * (i - 1);
      const int64_t j = std::clamp<int64_t>(internal::RoundHalfEven(x) + 1, 1, n);
      FColArray[static_cast<size_t>(i - 1)] = old[static_cast<size_t>(j - 1)];
    }
  }
  Changed();
}

int32_t TColorArray::ColorToIndex(TColor cl, double& distance) const {
  distance = 1.0;
  int32_t best = 1;
  for (int32_t i = 1; i <= FNColors; ++i) {
    const double d = RGBColorDistance(cl, FColArray[static_cast<size_t>(i - 1)]);
    if (d < distance) {
      distance = d;
      best = i;
    }
  }
  return best;
}

void TColorArray::CopyFrom(const TColorArray* ColArraySource, int32_t SourceElemLo,
                           int32_t SourceElemHi, int32_t DestElem) {
  if (!ColArraySource) return;
  const int32_t sn = ColArraySource->FNColors;
  int32_t lo = std::clamp(SourceElemLo, 1, std::max(sn, 1));
  int32_t hi = std::clamp(SourceElemHi, 1, std::max(sn, 1));
  if (hi < lo) std::swap(lo, hi);
  // Destination positions ix - lo + DestElem that fall within 1..N.
  const int64_t shift = int64_t{DestElem} - lo;
  const int64_t from = std::max<int64_t>(lo, 1 - shift);
  const int64_t to = std::min<int64_t>(hi, FNColors - shift);
  if (from <= to && !ColArraySource->FColArray.empty()) {
    // Through a temporary: with this array as its own source the ranges may
    // overlap, and every entry must be read before any is overwritten.
    const auto first = ColArraySource->FColArray.begin() + (from - 1);
    const std::vector<TColor> part(first, first + (to - from + 1));
    std::copy(part.begin(), part.end(), FColArray.begin() + (from + shift - 1));
  }
  Changed();
}

void TColorArray::MirrorColors() {
  std::reverse(FColArray.begin(), FColArray.end());
  Changed();
}

void TColorArray::InvertColors() {
  for (TColor& c : FColArray) c = InvertColor(c);
  Changed();
}

void TColorArray::ReverseRGB() {
  for (TColor& c : FColArray) c = ReverseRGBColor(c);
  Changed();
}

void TColorArray::Backup() { FColArrayBak = FColArray; }

void TColorArray::Restore() {
  FColArray = FColArrayBak;
  Changed();
}

// ---- files ----

bool TColorArray::ReadFromOpenTextFile(TextFile& F, bool AdjustSize) {
  int32_t first = 0, last = 0;
  try {
    if (F.Eof()) return false;
    const String header = F.ReadLn();
    if (!ParseHeader(header, first, last)) return false;
    // Bytes this call has read: each line counts its characters and its end
    // (a character takes at least one byte).
    int64_t bytes_read = static_cast<int64_t>(header.size()) + 1;
    // Reads the entry lines first..last, handing each value to store, until
    // the file ends; a line that cannot be read is skipped.
    const auto read_entries = [&](const auto& store) {
      for (int64_t ix = first; ix <= last; ++ix) {
        try {
          if (F.Eof()) break;
        } catch (const EInOutError&) {
          break;
        }
        try {
          const String line = F.ReadLn();
          bytes_read += static_cast<int64_t>(line.size()) + 1;
          store(ix, ParseEntry(line));
        } catch (const EInOutError&) {
          continue;
        } catch (const std::bad_alloc&) {
          continue;  // a line too long to hold
        }
      }
    };
    if (AdjustSize && last > FNColors) {
      // Growing: the entries are gathered first, and the array grows only
      // when this load has read at least one byte per new entry, so a header
      // promising more than the file holds allocates nothing.
      std::vector<TColor> values;
      std::vector<bool> present;
      const int64_t base = std::max<int64_t>(first, 1);
      read_entries([&](int64_t ix, TColor value) {
        if (ix < base) return;
        const auto k = static_cast<size_t>(ix - base);
        values.resize(k + 1, 0);
        present.resize(k + 1, false);
        values[k] = value;
        present[k] = true;
      });
      if (int64_t{last} - FNColors > bytes_read) return false;
      Resize(last);
      for (size_t k = 0; k < values.size(); ++k)
        if (present[k]) SetColorElem(static_cast<int32_t>(base + static_cast<int64_t>(k)), values[k]);
    } else {
      if (AdjustSize) Resize(last);  // shrinks, or ignores a last index below 1
      if (last > FNColors) {
        Changed();
        return false;
      }
      read_entries([&](int64_t ix, TColor value) {
        if (ix >= 1) SetColorElem(static_cast<int32_t>(ix), value);
      });
    }
  } catch (const Exception&) {
    return false;  // a read error in the header, or no memory for the new size
  } catch (const std::bad_alloc&) {
    return false;
  }
  Changed();
  return true;
}

bool TColorArray::LoadFromFile(const String& FileName, bool AdjustSize) {
  try {
    TextFile f(FileName);
    f.Reset();
    const bool ok = ReadFromOpenTextFile(f, AdjustSize);
    f.Close();
    return ok;
  } catch (const Exception&) {
    return false;
  }
}

std::string TColorArray::FileText(int32_t FirstElem, int32_t LastElem) const {
  if (FirstElem > LastElem) std::swap(FirstElem, LastElem);
  FirstElem = std::max(FirstElem, 1);
  LastElem = std::min(LastElem, FNColors);
  std::string text = std::to_string(FirstElem) + ' ' + std::to_string(LastElem) + "\r\n";
  if (FirstElem <= LastElem) text.reserve(text.size() + 10 * size_t(LastElem - FirstElem + 1));
  Char digits[16];
  for (int32_t ix = FirstElem; ix <= LastElem; ++ix) {
    internal::FormatHexDigits(FColArray[static_cast<size_t>(ix - 1)], 8, digits);
    text.append(digits, digits + 8);
    text += "\r\n";
  }
  return text;
}

bool TColorArray::WriteToOpenTextFile(TextFile& F, int32_t FirstElem, int32_t LastElem) const {
  try {
    const std::string text = FileText(FirstElem, LastElem);
    F.Write(String(text.begin(), text.end()));
    F.Flush();
    return true;
  } catch (const Exception&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool TColorArray::StoreOnFile(int32_t FirstElem, int32_t LastElem, const String& FileName) const {
  try {
    const std::string text = FileText(FirstElem, LastElem);
    SafeReplaceFile(FileName, [&text](TStream& s) {
      s.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    });
    return true;
  } catch (const Exception&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace zel
