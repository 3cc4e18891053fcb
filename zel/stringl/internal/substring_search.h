// Substring search in linear time, shared by every function of the library
// that looks for one text inside another (the string functions, the stream
// search and replace, the grid's cell search, the text-file searches).
//
// SubstringSearcher prepares a pattern once and then finds it in any number
// of texts, forwards (Find, as std::basic_string_view::find) or backwards
// (FindLast, as rfind). The result is always the one std::basic_string_view
// gives; only the cost differs: at most O(text + pattern) character
// comparisons, where the standard library's search may take O(text x pattern)
// ("aaa...a" searched for "aa...ab").
//
// Method: the two-way algorithm of Crochemore and Perrin ("Two-way string
// matching", J. ACM 38(3), 1991): the pattern is split at a critical
// factorization, its right part is matched left to right and its left part
// right to left, and the shifts follow from the pattern's period, so no text
// character is compared more than a constant number of times. Before matching,
// the character under the last position of the window gives a Horspool shift
// (a 256-entry table indexed by the low byte, as GNU libc's memmem does for
// long patterns), so an ordinary search looks at a fraction of the text.
// Patterns of one or two characters go to the standard search, which is
// linear for them. Preparing costs O(pattern) time and a 2 KiB table; the
// searcher keeps a view of the pattern, which must outlive it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zel::internal {

// kBackward = false: Find (forwards); true: FindLast (backwards).
template <class CharT, bool kBackward = false>
class SubstringSearcher {
 public:
  using View = std::basic_string_view<CharT>;
  static constexpr size_t npos = View::npos;

  explicit SubstringSearcher(View pattern) : view_(pattern), x_{pattern.data(), pattern.size()} {
    const size_t m = pattern.size();
    if (m < kShortPattern) return;
    // Horspool shift of the window's last character: the distance from the
    // last position of the nearest equal character (by low byte, so the
    // shift never exceeds the true one).
    shift_.fill(m);
    for (size_t i = 0; i < m; ++i) shift_[Bucket(x_[i])] = m - 1 - i;
    suffix_ = CriticalFactorization(period_);
    periodic_ = true;
    for (size_t i = 0; i < suffix_ && periodic_; ++i) periodic_ = x_[i] == x_[i + period_];
    if (!periodic_) period_ = (suffix_ > m - suffix_ ? suffix_ : m - suffix_) + 1;
  }

  // Index of the first occurrence starting at or after From; npos when none.
  size_t Find(View text, size_t from = 0) const {
    static_assert(!kBackward, "a backward searcher finds with FindLast");
    const size_t m = x_.n;
    if (from > text.size()) return npos;
    if (m < kShortPattern) return text.find(view_, from);
    if (text.size() - from < m) return npos;
    State state;
    const size_t at = Search(Seq{text.data() + from, text.size() - from}, state);
    return at == npos ? npos : at + from;
  }

  // Calls Fn(index) for every occurrence in Text, overlapping ones included,
  // in increasing order, until Fn returns false. Linear in the text as a
  // whole, where a Find from each index + 1 could cost O(pattern) per match.
  template <class Fn>
  void ForEachMatch(View text, Fn&& fn) const {
    static_assert(!kBackward, "a backward searcher finds with FindLast");
    const size_t m = x_.n;
    if (m == 0) return;
    if (m < kShortPattern) {
      for (size_t f = text.find(view_); f != npos && fn(f); f = text.find(view_, f + 1)) {
      }
      return;
    }
    const Seq y{text.data(), text.size()};
    State state;
    for (size_t f = Search(y, state); f != npos && fn(f); f = Search(y, state)) {
    }
  }

  // Index of the last occurrence that lies within text[0, End); npos when
  // none. (rfind(pattern, End - size) for End >= size.)
  size_t FindLast(View text, size_t end = npos) const {
    static_assert(kBackward, "a forward searcher finds with Find");
    const size_t m = x_.n;
    if (end > text.size()) end = text.size();
    if (m > end) return npos;
    if (m < kShortPattern) return text.rfind(view_, end - m);
    State state;
    const size_t at = Search(Seq{text.data(), end}, state);
    return at == npos ? npos : end - m - at;
  }

 private:
  static constexpr size_t kShortPattern = 3;

  // A text read forwards, or backwards from its end.
  struct Seq {
    const CharT* p;
    size_t n;
    CharT operator[](size_t i) const { return kBackward ? p[n - 1 - i] : p[i]; }
  };

  static uint8_t Bucket(CharT c) { return static_cast<uint8_t>(c); }

  // Where a search stands: the window's start and, for a periodic pattern,
  // how many of its first characters are known to match.
  struct State {
    size_t j = 0;
    size_t memory = 0;
  };

  // The next occurrence in y (in y's reading direction) from State on;
  // npos when none. State is left where the search after it goes on.
  size_t Search(Seq y, State& state) const {
    const size_t m = x_.n;
    const size_t n = y.n;
    size_t& j = state.j;
    if (periodic_) {
      // The left part's match is remembered across shifts by the period
      // (`memory` characters of the window are known to match).
      size_t& memory = state.memory;
      while (n - j >= m) {
        size_t shift = shift_[Bucket(y[j + m - 1])];
        if (shift > 0) {
          // The last character differs while the window's first
          // m - period characters matched: the period is broken at the
          // window's end, so no match begins before m - period (the rule of
          // GNU libc's memmem for long needles).
          if (memory != 0 && shift < period_) shift = m - period_;
          memory = 0;
          j += shift;
          continue;
        }
        size_t i = suffix_ > memory ? suffix_ : memory;
        while (i < m && x_[i] == y[i + j]) ++i;
        if (i >= m) {
          i = suffix_;
          while (i > memory && x_[i - 1] == y[i - 1 + j]) --i;
          const bool found = i <= memory;
          const size_t at = j;
          // Whole or not, the window matched from `memory` on, and the
          // pattern repeats with its period: the next window's first
          // m - period characters match.
          j += period_;
          memory = m - period_;
          if (found) return at;
        } else {
          j += i - suffix_ + 1;
          memory = 0;
        }
      }
    } else {
      while (n - j >= m) {
        const size_t shift = shift_[Bucket(y[j + m - 1])];
        if (shift > 0) {
          j += shift;
          continue;
        }
        size_t i = suffix_;
        while (i < m && x_[i] == y[i + j]) ++i;
        if (i >= m) {
          i = suffix_;
          while (i > 0 && x_[i - 1] == y[i - 1 + j]) --i;
          // No two occurrences lie closer than the shift: the search goes on
          // there after a match too.
          const size_t at = j;
          j += period_;
          if (i == 0) return at;
        } else {
          j += i - suffix_ + 1;
        }
      }
    }
    return npos;
  }

  // The critical factorization: the start of the larger of the two maximal
  // suffixes (for the order and its reverse), with the local period.
  size_t CriticalFactorization(size_t& period) const {
    size_t p1 = 1, p2 = 1;
    const size_t s1 = MaximalSuffix(false, p1);
    const size_t s2 = MaximalSuffix(true, p2);
    // Both are one before the start (SIZE_MAX + 1 wraps to 0); the later
    // start wins, the reversed order on a tie.
    if (s2 + 1 < s1 + 1) {
      period = p1;
      return s1 + 1;
    }
    period = p2;
    return s2 + 1;
  }

  // Start - 1 of the maximal suffix (SIZE_MAX for the whole pattern) and
  // its period.
  size_t MaximalSuffix(bool reversed_order, size_t& period) const {
    const size_t m = x_.n;
    size_t ms = SIZE_MAX;  // wraps to 0 when 1 is added
    size_t j = 0, k = 1, p = 1;
    while (j + k < m) {
      const CharT a = x_[j + k];
      const CharT b = x_[ms + k];
      if (reversed_order ? b < a : a < b) {
        j += k;
        k = 1;
        p = j - ms;
      } else if (a == b) {
        if (k != p) {
          ++k;
        } else {
          j += p;
          k = 1;
        }
      } else {
        ms = j++;
        k = p = 1;
      }
    }
    period = p;
    return ms;
  }

  View view_;
  Seq x_;
  std::array<size_t, 256> shift_{};
  size_t suffix_ = 0;
  size_t period_ = 1;
  bool periodic_ = false;
};

}  // namespace zel::internal
