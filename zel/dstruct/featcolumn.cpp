#include "zel/dstruct/internal/featcolumn.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace zel::internal {

size_t FormatCanonicalDouble(double V, char* Out) noexcept {
  // Shortest round-trip digits in scientific form: "d.ddde+XX".
  char sci[40];
  const auto r = std::to_chars(sci, sci + sizeof sci, V, std::chars_format::scientific);
  const char* p = sci;
  const char* end = r.ptr;
  char* o = Out;
  if (*p == '-') {
    *o++ = '-';
    ++p;
  }
  char digits[20];
  size_t nd = 0;
  for (; p < end && *p != 'e'; ++p)
    if (*p != '.') digits[nd++] = *p;
  int exp = 0;
  std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, exp);
  if (nd == 1 && digits[0] == '0') {
    *o++ = '0';
    return static_cast<size_t>(o - Out);
  }
  if (exp >= -4 && exp <= 14) {
    if (exp >= 0) {
      const size_t whole = static_cast<size_t>(exp) + 1;
      for (size_t i = 0; i < whole; ++i) *o++ = i < nd ? digits[i] : '0';
      if (nd > whole) {
        *o++ = '.';
        for (size_t i = whole; i < nd; ++i) *o++ = digits[i];
      }
    } else {
      *o++ = '0';
      *o++ = '.';
      for (int i = -1; i > exp; --i) *o++ = '0';
      for (size_t i = 0; i < nd; ++i) *o++ = digits[i];
    }
  } else {
    *o++ = digits[0];
    if (nd > 1) {
      *o++ = '.';
      for (size_t i = 1; i < nd; ++i) *o++ = digits[i];
    }
    *o++ = 'E';
    o = std::to_chars(o, Out + 32, exp).ptr;
  }
  return static_cast<size_t>(o - Out);
}

namespace {

// The integer whose plain decimal form is exactly S (no sign "+", no leading
// zeros, not "-0").
bool CanonicalInt(const char* S, size_t N, int64_t& V) {
  if (N == 0) return false;
  const size_t d = S[0] == '-' ? 1 : 0;
  if (N == d || S[d] < '0' || S[d] > '9') return false;
  if (S[d] == '0' && N > d + 1) return false;
  if (d == 1 && S[1] == '0') return false;
  const auto r = std::from_chars(S, S + N, V);
  return r.ec == std::errc() && r.ptr == S + N;
}

bool CanonicalDouble(const char* S, size_t N, double& V) {
  const auto r = std::from_chars(S, S + N, V, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != S + N || !std::isfinite(V)) return false;
  char buf[40];
  const size_t n = FormatCanonicalDouble(V, buf);
  return n == N && std::memcmp(buf, S, N) == 0;
}

}  // namespace

// ---- cells ---------------------------------------------------------------------------

const FeatColumn::Cell* FeatColumn::Find(size_t I) const noexcept {
  if (!sparse_) return nullptr;
  const auto it = cells_.find(static_cast<uint32_t>(I));
  return it == cells_.end() ? nullptr : &it->second;
}

uint8_t FeatColumn::Tag(size_t I) const noexcept {
  if (!sparse_) return I < tag_.size() ? tag_[I] : 0;
  if (I > UINT32_MAX) return 0;
  const Cell* c = Find(I);
  return c == nullptr ? 0 : c->tag;
}

uint64_t FeatColumn::Payload(size_t I) const noexcept {
  if (!sparse_) return I < tag_.size() ? payload_[I] : 0;
  if (I > UINT32_MAX) return 0;
  const Cell* c = Find(I);
  return c == nullptr ? 0 : c->payload;
}

size_t FeatColumn::NextSparse(size_t I) const noexcept {
  if (I > UINT32_MAX) return kNone;
  const auto it = cells_.lower_bound(static_cast<uint32_t>(I));
  return it == cells_.end() ? kNone : it->first;
}

void FeatColumn::ReleaseText(uint8_t Tag, uint64_t Payload) noexcept {
  if (Tag != kTagExt) return;
  const auto slot = static_cast<uint32_t>(Payload);
  String().swap(ext_[slot]);
  try {
    free_.push_back(slot);
  } catch (...) {
    // The slot stays unused; only its bookkeeping is lost.
  }
}

uint32_t FeatColumn::StoreText(std::u16string_view Text) {
  if (!free_.empty()) {
    const uint32_t slot = free_.back();
    ext_[slot].assign(Text);
    free_.pop_back();
    return slot;
  }
  ext_.emplace_back(Text);
  return static_cast<uint32_t>(ext_.size() - 1);
}

void FeatColumn::Clear(size_t I) noexcept {
  if (sparse_) {
    if (I > UINT32_MAX) return;
    const auto it = cells_.find(static_cast<uint32_t>(I));
    if (it == cells_.end()) return;
    ReleaseText(it->second.tag, it->second.payload);
    cells_.erase(it);
    --filled_;
    return;
  }
  if (I >= tag_.size() || tag_[I] == 0) return;
  ReleaseText(tag_[I], payload_[I]);
  tag_[I] = 0;
  payload_[I] = 0;
  --filled_;
}

void FeatColumn::Put(size_t I, uint8_t Tag, uint64_t Payload) {
  if (!sparse_ && I >= tag_.size() && I + 1 > kDenseSlack + kDenseFactor * (filled_ + 1))
    ToSparse();
  if (sparse_) {
    auto [it, added] = cells_.try_emplace(static_cast<uint32_t>(I));
    if (!added) ReleaseText(it->second.tag, it->second.payload);
    it->second = Cell{Payload, Tag};
    if (added) {
      ++filled_;
      ++added_;
      // Values close together again: the dense form is smaller. Half the
      // values must have come since the last switch, so that values coming
      // and going at the border cannot make every write pay for a switch.
      if (cells_.rbegin()->first < 2 * filled_ && added_ >= filled_ / 2) ToDense();
    }
    return;
  }
  if (I >= tag_.size()) {
    payload_.resize(I + 1);
    tag_.resize(I + 1);
  }
  if (tag_[I] == 0) {
    ++filled_;
    ++added_;
  } else {
    ReleaseText(tag_[I], payload_[I]);
  }
  tag_[I] = Tag;
  payload_[I] = Payload;
}

void FeatColumn::ToSparse() {
  std::map<uint32_t, Cell> cells;
  for (size_t i = 0; i < tag_.size(); ++i)
    if (tag_[i] != 0)
      cells.emplace_hint(cells.end(), static_cast<uint32_t>(i), Cell{payload_[i], tag_[i]});
  cells_.swap(cells);
  std::vector<uint64_t>().swap(payload_);
  std::vector<uint8_t>().swap(tag_);
  sparse_ = true;
  added_ = 0;
}

void FeatColumn::ToDense() {
  const size_t n = cells_.empty() ? 0 : size_t{cells_.rbegin()->first} + 1;
  std::vector<uint64_t> payload(n);
  std::vector<uint8_t> tag(n);
  for (const auto& [i, c] : cells_) {
    payload[i] = c.payload;
    tag[i] = c.tag;
  }
  payload_.swap(payload);
  tag_.swap(tag);
  cells_.clear();
  sparse_ = false;
  added_ = 0;
}

String FeatColumn::Get(size_t I) const {
  String s;
  AppendTo(s, I);
  return s;
}

void FeatColumn::AppendTo(String& Out, size_t I) const {
  const uint8_t t = Tag(I);
  if (t == 0) return;
  const uint64_t p = Payload(I);
  if (t <= 8) {
    const size_t old = Out.size();
    Out.resize(old + t);
    for (size_t k = 0; k < t; ++k) Out[old + k] = static_cast<Char>((p >> (8 * k)) & 0xFF);
    return;
  }
  if (t == kTagExt) {
    Out += ext_[p];
    return;
  }
  char buf[40];
  size_t n = 0;
  if (t == kTagInt) {
    n = static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, static_cast<int64_t>(p)).ptr -
                            buf);
  } else {
    double d;
    std::memcpy(&d, &p, sizeof d);
    n = FormatCanonicalDouble(d, buf);
  }
  const size_t old = Out.size();
  Out.resize(old + n);
  for (size_t k = 0; k < n; ++k) Out[old + k] = static_cast<Char>(buf[k]);
}

bool FeatColumn::HoldsLineBreak(size_t I) const noexcept {
  const uint8_t t = Tag(I);
  const uint64_t p = Payload(I);
  if (t <= 8) {
    for (size_t k = 0; k < t; ++k) {
      const auto c = static_cast<uint8_t>(p >> (8 * k));
      if (c == '\r' || c == '\n') return true;
    }
    return false;
  }
  if (t != kTagExt) return false;  // numbers
  return ext_[p].find_first_of(u"\r\n") != String::npos;
}

void FeatColumn::Set(size_t I, std::u16string_view Text) {
  const size_t n = Text.size();
  if (n == 0) {
    Clear(I);
    return;
  }
  // Short texts of one-byte characters inline.
  if (n <= 8) {
    uint64_t p = 0;
    bool narrow = true;
    for (size_t k = 0; k < n; ++k) {
      if (Text[k] > 0xFF) {
        narrow = false;
        break;
      }
      p |= static_cast<uint64_t>(Text[k]) << (8 * k);
    }
    if (narrow) {
      Put(I, static_cast<uint8_t>(n), p);
      return;
    }
  }
  // Numbers in their exact binary form.
  if (n <= 32) {
    char buf[32];
    bool ascii = true;
    for (size_t k = 0; k < n; ++k) {
      const Char c = Text[k];
      if (!((c >= u'0' && c <= u'9') || c == u'-' || c == u'.' || c == u'E')) {
        ascii = false;
        break;
      }
      buf[k] = static_cast<char>(c);
    }
    if (ascii) {
      int64_t iv;
      double dv;
      if (CanonicalInt(buf, n, iv)) {
        Put(I, kTagInt, static_cast<uint64_t>(iv));
        return;
      }
      if (CanonicalDouble(buf, n, dv)) {
        uint64_t p;
        std::memcpy(&p, &dv, sizeof p);
        Put(I, kTagDouble, p);
        return;
      }
    }
  }
  if (Tag(I) == kTagExt) {  // reuse the slot
    ext_[Payload(I)].assign(Text);
    return;
  }
  const uint32_t slot = StoreText(Text);
  try {
    Put(I, kTagExt, slot);
  } catch (...) {
    ReleaseText(kTagExt, slot);
    throw;
  }
}

void FeatColumn::Truncate(size_t N) {
  if (sparse_) {
    if (N > UINT32_MAX) return;
    for (auto it = cells_.lower_bound(static_cast<uint32_t>(N)); it != cells_.end();) {
      ReleaseText(it->second.tag, it->second.payload);
      it = cells_.erase(it);
      --filled_;
    }
    return;
  }
  if (N >= tag_.size()) return;
  for (size_t i = N; i < tag_.size(); ++i) Clear(i);
  if (N == 0) {
    Reset();
    return;
  }
  payload_.resize(N);
  tag_.resize(N);
}

void FeatColumn::InsertAt(size_t I) {
  if (sparse_) {
    if (I > UINT32_MAX) return;
    // Later objects move up by one, the last first.
    std::vector<uint32_t> keys;
    for (auto it = cells_.lower_bound(static_cast<uint32_t>(I)); it != cells_.end(); ++it)
      keys.push_back(it->first);
    for (auto k = keys.rbegin(); k != keys.rend(); ++k) {
      auto node = cells_.extract(*k);
      ++node.key();
      cells_.insert(std::move(node));
    }
    return;
  }
  if (I >= tag_.size()) return;
  payload_.insert(payload_.begin() + static_cast<std::ptrdiff_t>(I), 0);
  tag_.insert(tag_.begin() + static_cast<std::ptrdiff_t>(I), 0);
}

void FeatColumn::EraseAt(size_t I) {
  if (sparse_) {
    if (I > UINT32_MAX) return;
    Clear(I);
    // Later objects move down by one, the first first.
    for (auto it = cells_.upper_bound(static_cast<uint32_t>(I)); it != cells_.end();) {
      auto node = cells_.extract(it++);
      --node.key();
      cells_.insert(it, std::move(node));
    }
    return;
  }
  if (I >= tag_.size()) return;
  Clear(I);
  payload_.erase(payload_.begin() + static_cast<std::ptrdiff_t>(I));
  tag_.erase(tag_.begin() + static_cast<std::ptrdiff_t>(I));
}

void FeatColumn::CopyCell(size_t From, size_t To) {
  if (From == To) return;
  const uint8_t t = Tag(From);
  if (t == kTagExt) {
    const String s = ext_[Payload(From)];
    Set(To, s);
  } else if (t == 0) {
    Clear(To);
  } else {
    Put(To, t, Payload(From));
  }
}

void FeatColumn::Trim() {
  if (!sparse_ && tag_.capacity() - tag_.size() > tag_.size() / 4) {
    payload_.shrink_to_fit();
    tag_.shrink_to_fit();
  }
}

void FeatColumn::Reset() noexcept {
  std::vector<uint64_t>().swap(payload_);
  std::vector<uint8_t>().swap(tag_);
  cells_.clear();
  sparse_ = false;
  filled_ = 0;
  added_ = 0;
  std::vector<String>().swap(ext_);
  std::vector<uint32_t>().swap(free_);
}

size_t FeatColumn::MemoryUsed() const noexcept {
  // A map node: the cell, its key and three links plus a colour word.
  constexpr size_t kNode = sizeof(std::pair<const uint32_t, Cell>) + 4 * sizeof(void*);
  size_t m = payload_.capacity() * sizeof(uint64_t) + tag_.capacity() + cells_.size() * kNode +
             free_.capacity() * 4 + ext_.capacity() * sizeof(String);
  for (const String& s : ext_)
    if (s.capacity() > 7) m += (s.capacity() + 1) * sizeof(Char);
  return m;
}

}  // namespace zel::internal
