#include "zel/dstruct/stringarray.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "zel/base/errors.h"
#include "zel/dstruct/internal/shortstring.h"
#include "zel/dstruct/internal/stringpool.h"
#include "zel/runtime/sysutils.h"
#include "zel/stringl/strediting.h"

namespace zel {

namespace {

constexpr char16_t kMsgPrefix[] = u"Class TStringArray: ";

bool BlanksOnly(const uint8_t* p) noexcept {
  if (p == nullptr) return true;
  for (uint32_t k = 1; k <= p[0]; ++k)
    if (p[k] != ' ') return false;
  return true;
}

// Strict decimal literal: [sign] (digits [. digits*] | . digits) [(e|E) [sign] digits].
// Returns false when Text is not such a literal or its value exceeds the range
// of double; values below it read as (signed) 0.
bool ParseDecimal(const std::string& t, double& value) {
  size_t i = 0;
  const size_t n = t.size();
  if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
  const size_t mant = i;
  size_t int_digits = 0, frac_digits = 0;
  while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++int_digits;
  if (i < n && t[i] == '.') {
    ++i;
    while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++frac_digits;
  }
  if (int_digits + frac_digits == 0) return false;
  const size_t mant_end = i;
  bool has_exp = false;
  if (i < n && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < n && (t[i] == '+' || t[i] == '-')) ++i;
    size_t exp_digits = 0;
    while (i < n && t[i] >= '0' && t[i] <= '9') ++i, ++exp_digits;
    if (exp_digits == 0) return false;
    has_exp = true;
  }
  if (i != n) return false;
  // from_chars takes no leading "+" and is independent of the locale.
  const char* first = t.data() + (t[0] == '+' ? 1 : 0);
  const char* last = t.data() + n;
  const auto res = std::from_chars(first, last, value, std::chars_format::general);
  if (res.ec == std::errc() && res.ptr == last) return true;
  if (res.ec != std::errc::result_out_of_range) return false;
  // Out of range: overflow is an error, underflow reads as 0. The decimal
  // exponent of the first significant digit tells them apart.
  size_t k = mant;
  long long e = -1;
  while (k < mant_end && t[k] != '.') ++k, ++e;
  long long lead = 0;
  bool seen = false;
  for (k = mant; k < mant_end; ++k) {
    if (t[k] == '.') continue;
    if (t[k] != '0') {
      lead = e;
      seen = true;
      break;
    }
    --e;
  }
  long long exp10 = 0;
  if (has_exp) {
    k = mant_end + 1;
    bool neg = false;
    if (t[k] == '+' || t[k] == '-') neg = t[k++] == '-';
    for (; k < n && exp10 < 1000000000LL; ++k) exp10 = exp10 * 10 + (t[k] - '0');
    if (neg) exp10 = -exp10;
  }
  if (!seen) {
    value = 0.0;
    return true;
  }
  if (lead + exp10 > 0) return false;
  value = t[0] == '-' ? -0.0 : 0.0;
  return true;
}

}  // namespace

// ---- construction ----------------------------------------------------------

TStringArray::TStringArray(TComponent* AOwner) : TComponent(AOwner) {
  try {
    pools_ = std::make_unique<internal::StringPools>();
    FPoiArray.assign(2, std::vector<uint32_t>(10, 0));
    FSortIx.resize(10);
    FRowAttrib.assign(10, 0);
    FColAttrib.assign(1, 0);
  } catch (const std::bad_alloc&) {
    throw EZELDStructError(String(kMsgPrefix) + u"failed to initialize (out of memory)");
  }
  ResetSortIndex();
}

TStringArray::~TStringArray() = default;

String TStringArray::ClassName() const { return u"TStringArray"; }

int32_t TStringArray::NumBuffers() const noexcept { return pools_->Count(); }

void TStringArray::Changed() {
  if (FOnChange) FOnChange(this);
}

void TStringArray::Assign(const TPersistent* Source) {
  const auto* src = dynamic_cast<const TStringArray*>(Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (src == this) return;
  // Build the copies first so a failed allocation leaves this grid intact.
  auto pools = std::make_unique<internal::StringPools>(*src->pools_);
  auto poi = src->FPoiArray;
  auto six = src->FSortIx;
  auto ra = src->FRowAttrib;
  auto ca = src->FColAttrib;
  TNotifyEvent on_change = src->FOnChange;
  TBeforeSortExchgEvent on_bse = src->FOnBefSortExc;
  TOnPercentDoneEvent on_pd = src->FOnPercentDone;
  FNCol = src->FNCol;
  FNRow = src->FNRow;
  FAllocRowsBy = src->FAllocRowsBy;
  FRAllocated = src->FRAllocated;
  pools_ = std::move(pools);
  FPoiArray = std::move(poi);
  FSortIx = std::move(six);
  FRowAttrib = std::move(ra);
  FColAttrib = std::move(ca);
  FOnChange = std::move(on_change);
  FOnBefSortExc = std::move(on_bse);
  FOnPercentDone = std::move(on_pd);
  ++mutations_;
}

void TStringArray::AssignTo(TPersistent* Dest) const {
  if (auto* dst = dynamic_cast<TStringArray*>(Dest)) {
    dst->Assign(this);
    return;
  }
  TPersistent::AssignTo(Dest);
}

void TStringArray::SwapContents(TStringArray& other) noexcept {
  std::swap(FNCol, other.FNCol);
  std::swap(FNRow, other.FNRow);
  std::swap(FRAllocated, other.FRAllocated);
  pools_.swap(other.pools_);
  FPoiArray.swap(other.FPoiArray);
  FSortIx.swap(other.FSortIx);
  FRowAttrib.swap(other.FRowAttrib);
  FColAttrib.swap(other.FColAttrib);
  ++mutations_;
  ++other.mutations_;
}

// ---- cells -----------------------------------------------------------------

const uint8_t* TStringArray::CellBytes(int32_t c, int32_t phys) const noexcept {
  if (phys < 1 || phys > FRAllocated) return nullptr;
  return pools_->Text(Ref(c, phys));
}

String TStringArray::CellText(int32_t c, int32_t phys) const {
  const uint8_t* p = CellBytes(c, phys);
  if (p == nullptr) return String();
  return internal::DecodeShortString(p + 1, p[0]);
}

void TStringArray::StoreBytes(int32_t c, int32_t phys, const uint8_t* bytes, uint32_t len) {
  if (phys < 1 || phys > FRAllocated) return;
  pools_->Store(Ref(c, phys), bytes, len);
  ++mutations_;
}

void TStringArray::CopyText(int32_t cs, int32_t ps, int32_t cd, int32_t pd) {
  uint8_t buf[internal::kMaxShortString];
  uint32_t len = 0;
  if (const uint8_t* p = CellBytes(cs, ps)) {
    len = p[0];
    std::memcpy(buf, p + 1, len);
  }
  StoreBytes(cd, pd, buf, len);
}

String TStringArray::GetString(int32_t c, int32_t r) const {
  if (!ValidCell(c, r)) return String();
  return CellText(c, Phys(r));
}

void TStringArray::SetString(int32_t c, int32_t r, const String& s) {
  if (!ValidCell(c, r)) return;
  uint8_t buf[internal::kMaxShortString];
  const uint32_t len = internal::EncodeShortString(s, buf);
  StoreBytes(c, Phys(r), buf, len);
  Changed();
}

void TStringArray::RaiseInvalidNumber(int32_t c, int32_t r, const String& text) const {
  throw EZELDStructError(String(kMsgPrefix) + u"invalid numeric string: [" + IntToStr(c) + u"," +
                         IntToStr(r) + u"]: " + text);
}

double TStringArray::GetAsNumber(int32_t c, int32_t r) const {
  const String stored = GetString(c, r);
  size_t b = 0, e = stored.size();
  while (b < e && stored[b] == u' ') ++b;
  while (e > b && stored[e - 1] == u' ') --e;
  if (b == e) return 0.0;
  const String dotted = ReplaceCharInString(stored.substr(b, e - b), u',', u'.');
  std::string text;
  text.reserve(dotted.size());
  // Only ASCII can form a literal; anything else makes it invalid.
  for (Char ch : dotted) text.push_back(ch < 0x80 ? static_cast<char>(ch) : '\x01');
  double v = 0.0;
  if (!ParseDecimal(text, v)) RaiseInvalidNumber(c, r, stored);
  return v;
}

int32_t TStringArray::GetAsInteger(int32_t c, int32_t r) const {
  const double v = GetAsNumber(c, r);
  if (v < -2147483647.0) return -2147483647;
  if (v > 2147483647.0) return 2147483647;
  return static_cast<int32_t>(std::nearbyint(v));
}

Byte TStringArray::GetRowAttrib(int32_t r) const {
  if (r < 1 || r > FNRow) return 0;
  const int32_t p = Phys(r);
  if (p < 1 || p > FRAllocated) return 0;
  return FRowAttrib[static_cast<size_t>(p - 1)];
}

void TStringArray::SetRowAttrib(int32_t r, Byte b) {
  if (r < 1 || r > FNRow) return;
  const int32_t p = Phys(r);
  if (p >= 1 && p <= FRAllocated) FRowAttrib[static_cast<size_t>(p - 1)] = b;
  ++mutations_;
  Changed();
}

Byte TStringArray::GetColAttrib(int32_t c) const {
  if (c < 1 || c > FNCol) return 0;
  return FColAttrib[static_cast<size_t>(c - 1)];
}

void TStringArray::SetColAttrib(int32_t c, Byte b) {
  if (c < 1 || c > FNCol) return;
  FColAttrib[static_cast<size_t>(c - 1)] = b;
  ++mutations_;
  Changed();
}

// ---- shape -----------------------------------------------------------------

void TStringArray::ResetSortIndex() noexcept {
  for (size_t i = 0; i < FSortIx.size(); ++i) FSortIx[i] = static_cast<int32_t>(i + 1);
  ++mutations_;
}

bool TStringArray::Reallocate(int32_t Nc, int32_t Nr) {
  const int64_t step = FAllocRowsBy < 1 ? 1 : FAllocRowsBy;
  const int64_t cap64 = ((static_cast<int64_t>(Nr) - 1) / step + 1) * step;
  if (cap64 > std::numeric_limits<int32_t>::max()) return false;
  const auto cap = static_cast<size_t>(cap64);
  try {
    const int32_t keep_rows = std::min(Nr, FNRow);
    const int32_t keep_cols = std::min(Nc, FNCol);
    std::vector<std::vector<uint32_t>> poi(static_cast<size_t>(Nc) + 1);
    for (int32_t c = 0; c <= Nc; ++c) {
      auto& col = poi[static_cast<size_t>(c)];
      col.assign(cap, 0);
      if (c <= keep_cols) {
        const auto& old = FPoiArray[static_cast<size_t>(c)];
        std::copy(old.begin(), old.begin() + keep_rows, col.begin());
      }
    }
    std::vector<Byte> ra(cap, 0);
    std::copy(FRowAttrib.begin(), FRowAttrib.begin() + keep_rows, ra.begin());
    std::vector<Byte> ca(static_cast<size_t>(Nc), 0);
    std::copy(FColAttrib.begin(), FColAttrib.begin() + keep_cols, ca.begin());
    std::vector<int32_t> six(cap);
    FPoiArray.swap(poi);
    FRowAttrib.swap(ra);
    FColAttrib.swap(ca);
    FSortIx.swap(six);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  FRAllocated = static_cast<int32_t>(cap);
  FNCol = Nc;
  FNRow = Nr;
  ResetSortIndex();
  return true;
}

bool TStringArray::Resize(int32_t Nc, int32_t Nr) {
  if (Nc == FNCol && Nr == FNRow) return true;
  if (Nc <= 0 || Nr <= 0) return false;
  bool ok = true;
  if (Nc != FNCol || Nr > FRAllocated) {
    ok = Reallocate(Nc, Nr);
  } else {
    // Same columns, within the capacity. Rows beyond NrOfRows are kept empty
    // with attribute 0, so shrinking empties and growing finds them so.
    for (int32_t c = 0; c <= FNCol; ++c) {
      auto& col = FPoiArray[static_cast<size_t>(c)];
      if (Nr > FNRow)
        std::fill(col.begin() + FNRow, col.begin() + Nr, 0u);
      else
        std::fill(col.begin() + Nr, col.begin() + FNRow, 0u);
    }
    if (Nr > FNRow)
      std::fill(FRowAttrib.begin() + FNRow, FRowAttrib.begin() + Nr, Byte(0));
    else
      std::fill(FRowAttrib.begin() + Nr, FRowAttrib.begin() + FNRow, Byte(0));
    FNRow = Nr;
    ResetSortIndex();
  }
  Changed();
  return ok;
}

int32_t TStringArray::AddRow() {
  if (FNRow < std::numeric_limits<int32_t>::max()) Resize(FNCol, FNRow + 1);
  return FNRow;
}

void TStringArray::InsertRow(int32_t r) {
  if (r < 1 || r > FNRow) return;
  const int32_t phys = Phys(r);
  const int32_t n = FNRow;
  if (phys < 1 || n == std::numeric_limits<int32_t>::max()) return;
  std::vector<int32_t> kept(FSortIx.begin(), FSortIx.begin() + n);
  if (!Resize(FNCol, n + 1) || FNRow != n + 1) return;
  // Physical rows n..phys move one physical row down, addressed physically
  // so a sort in force is not scrambled. Texts are stored cell by cell as
  // SetString stores them (so the pools fill as they would), and OnChange
  // fires for every cell and attribute written.
  const uint8_t none = 0;
  for (int32_t p = n; p >= phys; --p) {
    for (int32_t c = 0; c <= FNCol; ++c) {
      CopyText(c, p, c, p + 1);
      Changed();
    }
    FRowAttrib[static_cast<size_t>(p)] = FRowAttrib[static_cast<size_t>(p - 1)];
    Changed();
  }
  for (int32_t c = 0; c <= FNCol; ++c) {
    StoreBytes(c, phys, &none, 0);
    Changed();
  }
  FRowAttrib[static_cast<size_t>(phys - 1)] = 0;
  Changed();
  // Logical rows r..n move to r+1..n+1; physical rows >= phys moved down.
  for (int32_t i = n; i >= r; --i) {
    int32_t v = kept[static_cast<size_t>(i - 1)];
    FSortIx[static_cast<size_t>(i)] = v >= phys ? v + 1 : v;
  }
  for (int32_t i = 1; i < r; ++i) {
    int32_t v = kept[static_cast<size_t>(i - 1)];
    FSortIx[static_cast<size_t>(i - 1)] = v >= phys ? v + 1 : v;
  }
  FSortIx[static_cast<size_t>(r - 1)] = phys;
  ++mutations_;
}

void TStringArray::RemoveRow(int32_t r) {
  if (r < 1 || r > FNRow) return;
  const uint8_t none = 0;
  if (FNRow == 1) {
    for (int32_t c = 0; c <= FNCol; ++c) {
      StoreBytes(c, Phys(1), &none, 0);  // the empty text, as SetString stores it
      Changed();
    }
    SetRowAttrib(1, 0);
    return;
  }
  const int32_t n = FNRow;
  std::vector<int32_t> kept(FSortIx.begin(), FSortIx.begin() + n);
  int32_t drop = Phys(r);
  kept.erase(kept.begin() + (r - 1));
  // The physical row that goes is the removed row's own, unless another
  // logical row still shows it (an index set through SetSortOrder need not be
  // a permutation): then one that no remaining row shows goes instead, so
  // every remaining row keeps its contents and all entries stay within
  // 1..NrOfRows. With n - 1 entries over n physical rows one is always free.
  std::vector<bool> shown(static_cast<size_t>(n) + 1, false);
  for (const int32_t v : kept)
    if (v >= 1 && v <= n) shown[static_cast<size_t>(v)] = true;
  if (drop < 1 || shown[static_cast<size_t>(drop)]) {
    drop = n;
    while (drop > 1 && shown[static_cast<size_t>(drop)]) --drop;
  }
  // Physical rows drop+1..n move one physical row up, stored cell by cell
  // as SetString stores them; the shrink then drops physical row n.
  for (int32_t p = drop; p < n; ++p) {
    for (int32_t c = 0; c <= FNCol; ++c) {
      CopyText(c, p + 1, c, p);
      Changed();
    }
    FRowAttrib[static_cast<size_t>(p - 1)] = FRowAttrib[static_cast<size_t>(p)];
    Changed();
  }
  for (auto& v : kept)
    if (v > drop) --v;
  if (!Resize(FNCol, n - 1)) return;
  std::copy(kept.begin(), kept.end(), FSortIx.begin());
  ++mutations_;
}

void TStringArray::CopyRow(int32_t Source, int32_t Target) {
  if (Source < 1 || Source > FNRow || Target < 1 || Target > FNRow) return;
  const int32_t ps = Phys(Source);
  const int32_t pt = Phys(Target);
  for (int32_t c = 0; c <= FNCol; ++c) {
    CopyText(c, ps, c, pt);
    Changed();
  }
  SetRowAttrib(Target, GetRowAttrib(Source));
}

void TStringArray::InsertColumn(int32_t c) {
  if (c < 1 || c > FNCol) return;
  if (FNCol == std::numeric_limits<int32_t>::max()) return;
  const int32_t old = FNCol;
  if (!Resize(old + 1, FNRow) || FNCol != old + 1) return;
  const int32_t n = FNCol;
  const uint8_t none = 0;
  // Texts are stored cell by cell as SetString stores them.
  for (int32_t r = 1; r <= FNRow; ++r) {
    const int32_t p = Phys(r);
    for (int32_t k = n - 1; k >= c; --k) {
      CopyText(k, p, k + 1, p);
      Changed();
    }
    StoreBytes(c, p, &none, 0);
    Changed();
  }
  for (int32_t k = n - 1; k >= c; --k) SetColAttrib(k + 1, GetColAttrib(k));
  SetColAttrib(c, 0);
  ++mutations_;
}

void TStringArray::RemoveColumn(int32_t c) {
  if (c < 1 || c > FNCol) return;
  if (FNCol == 1) {
    const uint8_t none = 0;
    for (int32_t r = 1; r <= FNRow; ++r) {
      StoreBytes(1, Phys(r), &none, 0);  // the empty text, as SetString stores it
      Changed();
    }
    SetColAttrib(1, 0);
    return;
  }
  const int32_t n = FNCol;
  // Texts are stored cell by cell as SetString stores them; the Resize below
  // drops column n.
  for (int32_t r = 1; r <= FNRow; ++r) {
    const int32_t p = Phys(r);
    for (int32_t k = c; k < n; ++k) {
      CopyText(k + 1, p, k, p);
      Changed();
    }
  }
  for (int32_t k = c; k < n; ++k) SetColAttrib(k, GetColAttrib(k + 1));
  ++mutations_;
  Resize(n - 1, FNRow);
}

void TStringArray::Clear() {
  for (auto& col : FPoiArray) std::fill(col.begin(), col.end(), 0u);
  std::fill(FRowAttrib.begin(), FRowAttrib.end(), Byte(0));
  std::fill(FColAttrib.begin(), FColAttrib.end(), Byte(0));
  pools_->Reset();
  ResetSortIndex();
}

void TStringArray::Fill(const String& s) {
  if (s.empty()) {
    Clear();
    return;
  }
  uint8_t buf[internal::kMaxShortString];
  const uint32_t len = internal::EncodeShortString(s, buf);
  for (int32_t c = 0; c <= FNCol; ++c)
    for (int32_t r = 1; r <= FNRow; ++r) {
      StoreBytes(c, Phys(r), buf, len);
      Changed();
    }
}

bool TStringArray::RowEmpty(int32_t ARow) const {
  if (ARow < 1 || ARow > FNRow) return true;
  const int32_t p = Phys(ARow);
  for (int32_t c = 1; c <= FNCol; ++c)
    if (!BlanksOnly(CellBytes(c, p))) return false;
  return true;
}

bool TStringArray::ColumnEmpty(int32_t ACol) const {
  if (ACol < 0 || ACol > FNCol) return true;
  for (int32_t r = 1; r <= FNRow; ++r)
    if (!BlanksOnly(CellBytes(ACol, Phys(r)))) return false;
  return true;
}

void TStringArray::GarbageCollection() {
  pools_->Compact([&](auto&& move) {
    for (int32_t c = 0; c <= FNCol; ++c)
      for (int32_t p = 1; p <= FNRow; ++p) move(Ref(c, p));
  });
  ++mutations_;
}

}  // namespace zel
