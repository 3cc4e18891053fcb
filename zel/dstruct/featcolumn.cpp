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

String FeatColumn::Get(size_t I) const {
  String s;
  AppendTo(s, I);
  return s;
}

void FeatColumn::AppendTo(String& Out, size_t I) const {
  if (I >= tag_.size()) return;
  const uint8_t t = tag_[I];
  const uint64_t p = payload_[I];
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

void FeatColumn::Release(size_t I) noexcept {
  if (tag_[I] == kTagExt) {
    const auto slot = static_cast<uint32_t>(payload_[I]);
    String().swap(ext_[slot]);
    try {
      free_.push_back(slot);
    } catch (...) {
      // The slot stays unused; only its bookkeeping is lost.
    }
  }
  tag_[I] = 0;
  payload_[I] = 0;
}

void FeatColumn::Set(size_t I, std::u16string_view Text) {
  if (I >= tag_.size()) {
    if (Text.empty()) return;
    payload_.resize(I + 1);
    tag_.resize(I + 1);
  }
  const size_t n = Text.size();
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
      Release(I);
      tag_[I] = static_cast<uint8_t>(n);
      payload_[I] = p;
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
        Release(I);
        tag_[I] = kTagInt;
        payload_[I] = static_cast<uint64_t>(iv);
        return;
      }
      if (CanonicalDouble(buf, n, dv)) {
        Release(I);
        tag_[I] = kTagDouble;
        std::memcpy(&payload_[I], &dv, sizeof dv);
        return;
      }
    }
  }
  if (tag_[I] == kTagExt) {
    ext_[payload_[I]].assign(Text);
    return;
  }
  uint32_t slot;
  if (!free_.empty()) {
    slot = free_.back();
    ext_[slot].assign(Text);
    free_.pop_back();
  } else {
    slot = static_cast<uint32_t>(ext_.size());
    ext_.emplace_back(Text);
  }
  tag_[I] = kTagExt;
  payload_[I] = slot;
}

void FeatColumn::Truncate(size_t N) {
  if (N >= tag_.size()) return;
  for (size_t i = N; i < tag_.size(); ++i) Release(i);
  if (N == 0) {
    Reset();
    return;
  }
  payload_.resize(N);
  tag_.resize(N);
}

void FeatColumn::InsertAt(size_t I) {
  if (I >= tag_.size()) return;
  payload_.insert(payload_.begin() + static_cast<std::ptrdiff_t>(I), 0);
  tag_.insert(tag_.begin() + static_cast<std::ptrdiff_t>(I), 0);
}

void FeatColumn::EraseAt(size_t I) {
  if (I >= tag_.size()) return;
  Release(I);
  payload_.erase(payload_.begin() + static_cast<std::ptrdiff_t>(I));
  tag_.erase(tag_.begin() + static_cast<std::ptrdiff_t>(I));
}

void FeatColumn::CopyCell(size_t From, size_t To) {
  if (From == To) return;
  if (From >= tag_.size()) {
    Set(To, std::u16string_view());
    return;
  }
  if (tag_[From] == kTagExt) {
    const String s = ext_[payload_[From]];
    Set(To, s);
    return;
  }
  if (To >= tag_.size()) {
    payload_.resize(To + 1);
    tag_.resize(To + 1);
  }
  Release(To);
  tag_[To] = tag_[From];
  payload_[To] = payload_[From];
}

void FeatColumn::Reserve(size_t N) {
  payload_.reserve(N);
  tag_.reserve(N);
}

void FeatColumn::Trim() {
  if (tag_.capacity() - tag_.size() > tag_.size() / 4) {
    payload_.shrink_to_fit();
    tag_.shrink_to_fit();
  }
}

void FeatColumn::Reset() noexcept {
  std::vector<uint64_t>().swap(payload_);
  std::vector<uint8_t>().swap(tag_);
  std::vector<String>().swap(ext_);
  std::vector<uint32_t>().swap(free_);
}

size_t FeatColumn::MemoryUsed() const noexcept {
  size_t m = payload_.capacity() * sizeof(uint64_t) + tag_.capacity() + free_.capacity() * 4 +
             ext_.capacity() * sizeof(String);
  for (const String& s : ext_)
    if (s.capacity() > 7) m += (s.capacity() + 1) * sizeof(Char);
  return m;
}

}  // namespace zel::internal
