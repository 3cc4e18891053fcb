// TGrep on arbitrary patterns and texts, against a plain reference matcher.
// Input: byte 0 = flags (bit 0 IgnoreCase, bits 1-3 SearchStartPos 0..7),
// then the pattern up to the first byte 0, then the text. Bytes are the
// characters of the same code, except that text bytes from 0xF8 up stand for
// characters above 255.
//
// Compilation must keep its invariants (at most 64 tokens, a known error code,
// token fields in range). The reference reads the compiled tokens through
// GetRegExpToken and follows the matching procedure literally: every start
// position, no skipping, no memory of failures. Both must agree on whether,
// where and up to where a text matches. The matcher's own count of the work
// it did must stay linear in the text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "zel/runtime/sysutils.h"
#include "zel/stringl/grep.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

class Reference {
 public:
  Reference(const std::vector<zel::TGrepToken>& t, zel::String s) : t_(t), s_(std::move(s)) {}

  // -1: gave up (too many steps); 0: no match; 1: match.
  int Search(int start_pos, int& start, int& end) {
    const int n = static_cast<int>(s_.size());
    const int T = static_cast<int>(t_.size()) - 1;
    if (T == 1 && t_[1].Action == zel::taMult0) {
      if (n != 0 && n < start_pos) return 0;
      start = 1;
      end = n;
      return 1;
    }
    const int from = std::max(start_pos, 1);
    const int last = t_[1].Action == zel::taBol ? from : std::max(from + 1, n);
    for (int p = from; p <= last; ++p) {
      if (Token(1, p)) {
        start = p;
        end = end_;
        return 1;
      }
      if (steps_ > kMaxSteps) return -1;
    }
    return steps_ > kMaxSteps ? -1 : 0;
  }

 private:
  static constexpr long kMaxSteps = 200000;

  bool At(int q) const { return q >= 1 && q <= static_cast<int>(s_.size()); }
  bool Lit(const zel::TGrepToken& t, int q) const {
    for (int i = 0; i < t.NumChars; ++i)
      if (!At(q + i) || s_[static_cast<size_t>(q + i - 1)] != t.Params[static_cast<size_t>(i + 1)])
        return false;
    return true;
  }
  bool Mem(const zel::TGrepToken& t, int q) const {
    if (!At(q)) return false;
    const char16_t c = s_[static_cast<size_t>(q - 1)];
    return c < 256 && t.Params[c] == u'*';
  }
  bool Operand(const zel::TGrepToken& t, int q) const {
    if (t.NumChars > 0) return Lit(t, q);
    return t.NumChars == 0 ? At(q) : Mem(t, q);
  }

  bool Token(int k, int p) {
    if (++steps_ > kMaxSteps) return false;
    const zel::TGrepToken& t = t_[static_cast<size_t>(k)];
    const int n = static_cast<int>(s_.size());
    const int T = static_cast<int>(t_.size()) - 1;
    const int len = t.NumChars > 0 ? t.NumChars : 1;
    switch (t.Action) {
      case zel::taNormal:
        if (!Lit(t, p)) return false;
        break;
      case zel::taAnyByte:
        if (!At(p)) return false;
        break;
      case zel::taEol:
        if (p != n + 1 || k != T) return false;
        break;
      case zel::taBol:
        if (p != 1) return false;
        break;
      case zel::taSet:
        if (!Mem(t, p)) return false;
        break;
      case zel::taMult1:
        if (!Operand(t, p)) return false;
        break;
      default:
        break;
    }
    if (k < T) {
      switch (t.Action) {
        case zel::taNormal:
          return Token(k + 1, p + t.NumChars);
        case zel::taAnyByte:
        case zel::taSet:
          return Token(k + 1, p + 1);
        case zel::taBol:
          return Token(k + 1, 1);
        case zel::taEol:
          return false;
        case zel::taMult0:
        case zel::taMult1: {
          int q = t.Action == zel::taMult0 ? p : p + len;
          for (;;) {
            if (Token(k + 1, q)) return true;
            if (!Operand(t, q)) return false;
            q += len;
          }
        }
        case zel::taOpti:
          if (Token(k + 1, p)) return true;
          return Operand(t, p) && Token(k + 1, p + len);
      }
    }
    switch (t.Action) {
      case zel::taNormal:
        end_ = p + t.NumChars - 1;
        break;
      case zel::taAnyByte:
      case zel::taSet:
        end_ = p;
        break;
      case zel::taEol:
        end_ = n;
        break;
      case zel::taBol:
        end_ = 1;
        break;
      case zel::taMult0:
      case zel::taMult1:
        if (t.NumChars == 0) {
          end_ = n;
        } else {
          int q = t.Action == zel::taMult0 ? p : p + len;
          while (Operand(t, q)) q += len;
          end_ = q - 1;
        }
        break;
      case zel::taOpti:
        end_ = t.NumChars == 0 ? std::min(p, n) : Operand(t, p) ? p + len - 1 : p - 1;
        break;
    }
    return true;
  }

  const std::vector<zel::TGrepToken>& t_;
  const zel::String s_;
  int end_ = 0;
  long steps_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 4096) return 0;
  const bool ignore_case = data[0] & 1;
  const int start_pos = (data[0] >> 1) & 7;
  zel::String pattern, text;
  size_t i = 1;
  for (; i < size && data[i] != 0; ++i) pattern.push_back(data[i]);
  bool wide = false;
  for (++i; i < size; ++i) {
    wide |= data[i] >= 0xF8;
    text.push_back(data[i] >= 0xF8 ? static_cast<char16_t>(0x2000 + data[i]) : data[i]);
  }

  zel::TGrep g(nullptr);
  g.SetStopOnError(false);
  g.SetIgnoreCase(ignore_case);
  g.SetRegExp(pattern);
  g.SetSearchStartPos(start_pos);
  const int T = g.NrOfRegExpTokens();
  Check(T >= 0 && T <= zel::kMaxRegExpTokens, "token count");
  Check(g.LastError() >= 0 && g.LastError() <= zel::grepGroupTooLong, "error code");
  std::vector<zel::TGrepToken> tokens(1);
  bool has_set = false;
  for (int k = 1; k <= T; ++k) {
    const zel::TGrepToken t = g.GetRegExpToken(k);
    Check(t.NumChars >= -1 && t.NumChars <= 255, "NumChars range");
    Check(t.Action != zel::taSet || t.NumChars == -1, "set token");
    Check(t.Action != zel::taNormal || t.NumChars >= 0, "literal token");
    if (t.NumChars == -1) {
      has_set = true;
      for (char16_t c : t.Params) Check(c == u'*' || c == u' ', "set table");
    }
    tokens.push_back(t);
  }

  int32_t pos = 0;
  const bool found = g.MatchString(text, pos);
  // No (token, position) pair is evaluated twice and no run position visited
  // twice per token: at most 2 x tokens x (positions 0..n + 1, and the two
  // places a search may start beyond the text).
  const int64_t n = static_cast<int64_t>(text.size());
  Check(zel::internal::GrepExamined(g) <= 2 * int64_t{T} * (n + 4), "linear work");
  if (T == 0) {
    Check(!found, "no tokens, no match");
    return 0;
  }
  if (wide && has_set) return 0;  // the reference does not know negated sets above 255
  Reference ref(tokens, ignore_case ? zel::LowerCase(text) : text);
  int start = 0, end = 0;
  const int r = ref.Search(start_pos, start, end);
  if (r < 0) return 0;
  Check(found == (r == 1), "match found");
  if (found) {
    Check(pos == start && g.MatchStartPos() == start, "match start");
    Check(g.MatchEndPos() == end, "match end");
  }
  return 0;
}
