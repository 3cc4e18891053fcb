// Sorting and searching of TStringArray.
#include <algorithm>
#include <cstring>
#include <new>

#include "zel/dstruct/internal/shortstring.h"
#include "zel/dstruct/internal/stringpool.h"
#include "zel/dstruct/stringarray.h"
#include "zel/runtime/sysutils.h"
#include "zel/stringl/internal/substring_search.h"

namespace zel {

namespace {

int64_t NextGap(int64_t g) noexcept {
  const auto h = static_cast<int64_t>(static_cast<double>(g) / 1.3);
  return h < 1 ? 1 : h;
}

// counter / total * 100 rounded to the nearest integer, halves to even. In
// integers: a double quotient can land just off an exact half (251 / 200 *
// 100 gives 125.49999...) and round the wrong way.
int32_t Percent(int64_t counter, int64_t total) noexcept {
  const int64_t scaled = counter * 100;
  int64_t q = scaled / total;
  const int64_t twice_rest = 2 * (scaled % total);
  if (twice_rest > total || (twice_rest == total && (q & 1) != 0)) ++q;
  return static_cast<int32_t>(q);
}

// A sort key fetched and folded once per sort: the byte ranks of the text
// (see SortRankTable), the first eight packed big-endian into one word so
// most comparisons are one integer comparison, the rest in a shared arena.
struct Key {
  uint64_t prefix;
  uint32_t rest;  // offset of the ranks beyond the eighth in the arena
  uint32_t len;   // length of the whole text
};

class KeyArena {
 public:
  KeyArena() : rank_(internal::SortRankTable()) {}

  Key Make(const uint8_t* p) {
    Key k{0, static_cast<uint32_t>(arena_.size()), 0};
    if (p == nullptr) return k;
    const uint32_t len = p[0];
    k.len = len;
    const uint32_t m = len < 8 ? len : 8;
    for (uint32_t i = 0; i < m; ++i)
      k.prefix |= static_cast<uint64_t>(rank_[p[1 + i]]) << (56 - 8 * i);
    for (uint32_t i = 8; i < len; ++i) arena_.push_back(rank_[p[1 + i]]);
    return k;
  }

  // <0, 0, >0 as the lower-cased texts compare by code unit. Equal prefixes
  // mean equal ranks where both texts have characters, and rank 0 (the
  // character 0) where only one has: the shorter text is then a prefix of
  // the longer within the first eight characters.
  int Compare(const Key& a, const Key& b) const noexcept {
    if (a.prefix != b.prefix) return a.prefix < b.prefix ? -1 : 1;
    const uint32_t ra = a.len > 8 ? a.len - 8 : 0;
    const uint32_t rb = b.len > 8 ? b.len - 8 : 0;
    const uint32_t m = ra < rb ? ra : rb;
    if (m != 0) {
      const int c = std::memcmp(arena_.data() + a.rest, arena_.data() + b.rest, m);
      if (c != 0) return c;
    }
    return (a.len > b.len) - (a.len < b.len);
  }

  void Reserve(size_t n) { arena_.reserve(n); }

 private:
  const std::array<uint8_t, 256>& rank_;
  std::vector<uint8_t> arena_;
};

// Compares the texts as their ASCII-lower-cased forms compare by code unit,
// without building those forms.
int CompareFolded(const String& a, const String& b) noexcept {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    Char x = a[i], y = b[i];
    if (x >= u'A' && x <= u'Z') x = static_cast<Char>(x + 32);
    if (y >= u'A' && y <= u'Z') y = static_cast<Char>(y + 32);
    if (x != y) return x < y ? -1 : 1;
  }
  return (a.size() > b.size()) - (a.size() < b.size());
}

}  // namespace

void TStringArray::BeforeSortExchange(const String& InString, String& OutString) {
  OutString = InString;
  if (FOnBefSortExc) FOnBefSortExc(this, InString, OutString);
}

bool TStringArray::RowsOutOfOrder(int32_t i, int32_t j, int32_t PrimCol, int32_t SecCol,
                                  bool AscendPrim, bool AscendSec) {
  String ki, kj;
  BeforeSortExchange(GetString(PrimCol, i), ki);
  BeforeSortExchange(GetString(PrimCol, j), kj);
  int c = CompareFolded(ki, kj);
  if (c != 0 || SecCol < 1) return AscendPrim ? c > 0 : c < 0;
  BeforeSortExchange(GetString(SecCol, i), ki);
  BeforeSortExchange(GetString(SecCol, j), kj);
  c = CompareFolded(ki, kj);
  return AscendSec ? c > 0 : c < 0;
}

void TStringArray::Sort(int32_t PrimCol, int32_t SecCol, bool AscendPrim, bool AscendSec) {
  if (FOnPercentDone) FOnPercentDone(this, 0);
  const int64_t n0 = FNRow;
  int64_t total = 0;
  {
    int64_t g = n0;
    do {
      g = NextGap(g);
      total += n0 - g;
    } while (g != 1);
    total += n0;
  }
  if (n0 > 1) {
    // Without a key handler nothing can observe how keys are fetched, so each
    // key is fetched and folded once. The passes, comparisons and exchanges
    // are those of a fetch per comparison; a progress handler that changes
    // the grid or installs a key handler sends the rest of the sort back to
    // fetching per comparison.
    bool fast = !FOnBefSortExc;
    KeyArena arena;
    std::vector<Key> prim;  // by logical position, exchanged with the index
    std::vector<Key> sec;   // by physical row
    const bool prim_valid = PrimCol >= 0 && PrimCol <= FNCol;
    const bool sec_valid = SecCol >= 1 && SecCol <= FNCol;
    if (fast) {
      try {
        prim.resize(static_cast<size_t>(n0));
        if (prim_valid) {
          arena.Reserve(static_cast<size_t>(n0) * 8);
          for (int32_t i = 1; i <= FNRow; ++i)
            prim[static_cast<size_t>(i - 1)] = arena.Make(CellBytes(PrimCol, Phys(i)));
        } else {
          for (auto& k : prim) k = arena.Make(nullptr);
        }
        if (sec_valid) {
          sec.resize(static_cast<size_t>(FRAllocated));
          for (int32_t p = 1; p <= FRAllocated; ++p)
            sec[static_cast<size_t>(p - 1)] = arena.Make(CellBytes(SecCol, p));
        }
      } catch (const std::bad_alloc&) {
        fast = false;
      }
    }
    const uint64_t seen = mutations_;
    int64_t g = n0;
    int64_t counter = 0;
    bool exchanged = false;
    do {
      g = NextGap(g);
      exchanged = false;
      if (fast) {
        Key* keys = prim.data();
        int32_t* ix = FSortIx.data();
        const int64_t last = n0 - g;
        for (int64_t i = 0; i < last; ++i) {
          Key& a = keys[i];
          Key& b = keys[i + g];
          const int c = arena.Compare(a, b);
          bool out;
          if (c != 0 || SecCol < 1) {
            out = AscendPrim ? c > 0 : c < 0;
          } else if (!sec_valid || ix[i] < 1 || ix[i] > FRAllocated || ix[i + g] < 1 ||
                     ix[i + g] > FRAllocated) {
            out = false;
          } else {
            const int c2 = arena.Compare(sec[static_cast<size_t>(ix[i] - 1)],
                                         sec[static_cast<size_t>(ix[i + g] - 1)]);
            out = AscendSec ? c2 > 0 : c2 < 0;
          }
          if (out) {
            std::swap(a, b);
            std::swap(ix[i], ix[i + g]);
            exchanged = true;
          }
        }
        counter += last > 0 ? last : 0;
      } else {
        for (int64_t i = 1; i + g <= FNRow; ++i) {
          const auto ii = static_cast<int32_t>(i);
          const auto jj = static_cast<int32_t>(i + g);
          if (RowsOutOfOrder(ii, jj, PrimCol, SecCol, AscendPrim, AscendSec) && jj <= FNRow) {
            std::swap(FSortIx[static_cast<size_t>(ii - 1)], FSortIx[static_cast<size_t>(jj - 1)]);
            ++mutations_;
            exchanged = true;
          }
          ++counter;
        }
      }
      if (FOnPercentDone) {
        FOnPercentDone(this, Percent(counter, total));
        if (fast && (mutations_ != seen || FOnBefSortExc)) {
          fast = false;
          prim.clear();
          sec.clear();
        }
      }
    } while (g != 1 || exchanged);
    ++mutations_;
    Changed();
  }
  if (FOnPercentDone) FOnPercentDone(this, 100);
}

void TStringArray::CommitSorting() {
  const auto n = static_cast<size_t>(FNRow);
  std::vector<std::vector<uint32_t>> old(FPoiArray.size());
  for (size_t c = 0; c < FPoiArray.size(); ++c)
    old[c].assign(FPoiArray[c].begin(), FPoiArray[c].begin() + static_cast<std::ptrdiff_t>(n));
  const std::vector<Byte> old_attr(FRowAttrib.begin(),
                                   FRowAttrib.begin() + static_cast<std::ptrdiff_t>(n));
  // An index installed through SetSortOrder need not be a permutation; a
  // physical row used twice gets its texts copied for the second use, so no
  // two cells ever share pool room (an in-place write would change both).
  std::vector<bool> used(n + 1, false);
  std::vector<size_t> twice;
  for (size_t i = 0; i < n; ++i) {
    const auto p = static_cast<size_t>(FSortIx[i]);
    if (p < 1 || p > n) continue;
    for (size_t c = 0; c < FPoiArray.size(); ++c) FPoiArray[c][i] = old[c][p - 1];
    FRowAttrib[i] = old_attr[p - 1];
    if (used[p]) twice.push_back(i);
    used[p] = true;
  }
  for (size_t i : twice) {
    for (size_t c = 0; c < FPoiArray.size(); ++c) {
      uint32_t& ref = FPoiArray[c][i];
      const uint8_t* t = pools_->Text(ref);
      if (t == nullptr) continue;
      uint8_t buf[internal::kMaxShortString];
      const uint32_t len = t[0];
      std::memcpy(buf, t + 1, len);
      ref = 0;
      pools_->Store(ref, buf, len);
    }
  }
  ResetSortIndex();
}

void TStringArray::UnSort() {
  ResetSortIndex();
  Changed();
}

int32_t TStringArray::GetSortOrder(int32_t ix) const {
  if (ix < 1 || ix > FNRow) return -1;
  return FSortIx[static_cast<size_t>(ix - 1)];
}

void TStringArray::SetSortOrder(int32_t ix, int32_t position) {
  if (ix < 1 || ix > FNRow || position < 1 || position > FNRow) return;
  FSortIx[static_cast<size_t>(ix - 1)] = position;
  ++mutations_;
}

// ---- searching -------------------------------------------------------------

bool TStringArray::FindCellImpl(const String& FindStr, bool MatchCase, int32_t ColLow,
                                int32_t ColHigh, int32_t RowLow, int32_t RowHigh, int32_t& Col,
                                int32_t& row, bool Exact) const {
  const String wanted = MatchCase ? FindStr : LowerCase(FindStr);
  if (ColLow == -1 || ColHigh == -1) {
    ColLow = 0;
    ColHigh = FNCol;
  }
  if (RowLow == -1 && RowHigh == -1) {
    RowLow = 1;
    RowHigh = FNRow;
  }
  ColLow = std::clamp(ColLow, 0, FNCol);
  ColHigh = std::clamp(ColHigh, 0, FNCol);
  RowLow = std::clamp(RowLow, 1, FNRow);
  RowHigh = std::clamp(RowHigh, 1, FNRow);
  if (ColLow > ColHigh) std::swap(ColLow, ColHigh);
  if (RowLow > RowHigh) std::swap(RowLow, RowHigh);
  if (!Exact && wanted.empty()) return false;
  const internal::SubstringSearcher<char16_t> searcher(wanted);
  for (int32_t r = RowLow; r <= RowHigh; ++r) {
    const int32_t p = Phys(r);
    for (int32_t c = ColLow; c <= ColHigh; ++c) {
      String text = CellText(c, p);
      if (!MatchCase) text = LowerCase(text);
      if (Exact ? text == wanted : searcher.Find(text) != String::npos) {
        Col = c;
        row = r;
        return true;
      }
    }
  }
  return false;
}

bool TStringArray::FindCell(const String& FindStr, bool MatchCase, int32_t ColLow, int32_t ColHigh,
                            int32_t RowLow, int32_t RowHigh, int32_t& Col, int32_t& row) const {
  return FindCellImpl(FindStr, MatchCase, ColLow, ColHigh, RowLow, RowHigh, Col, row, false);
}

bool TStringArray::FindCellExact(const String& FindStr, bool MatchCase, int32_t ColLow,
                                 int32_t ColHigh, int32_t RowLow, int32_t RowHigh, int32_t& Col,
                                 int32_t& row) const {
  return FindCellImpl(FindStr, MatchCase, ColLow, ColHigh, RowLow, RowHigh, Col, row, true);
}

bool TStringArray::FindCellInSortedColumn(const String& FindStr, bool MatchCase, int32_t ColIx,
                                          int32_t RowLow, int32_t RowHigh, bool ColIsAscending,
                                          int32_t& row) const {
  const String wanted = MatchCase ? FindStr : LowerCase(FindStr);
  if (RowLow == -1 && RowHigh == -1) {
    RowLow = 1;
    RowHigh = FNRow;
  }
  ColIx = std::clamp(ColIx, 0, FNCol);
  int32_t lo = std::clamp(RowLow, 1, FNRow);
  int32_t hi = std::clamp(RowHigh, 1, FNRow);
  if (lo > hi) std::swap(lo, hi);
  const int32_t first = lo;
  auto text_at = [&](int32_t r) {
    String t = CellText(ColIx, Phys(r));
    return MatchCase ? t : LowerCase(t);
  };
  bool found = false;
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    row = mid;
    const String t = text_at(mid);
    if (t == wanted) {
      found = true;
      break;
    }
    if ((wanted < t) == ColIsAscending)
      hi = mid;
    else
      lo = mid + 1;
  }
  if (!found) {
    row = lo;
    found = text_at(lo) == wanted;
  }
  if (!found) return false;
  // Back to the first of a run of equal texts, never leaving the range.
  while (row > first && text_at(row - 1) == wanted) --row;
  return true;
}

}  // namespace zel
