#include "zel/stringl/grep.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "zel/base/errors.h"
#include "zel/platform/cpu_features.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/textfile.h"
#include "zel/stringl/internal/find_unit.h"

namespace zel {

namespace {

constexpr Char kMember = u'*';
constexpr Char kBlank = u' ';
constexpr int32_t kMaxLiteral = 255;

int HexDigit(Char c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Replaces each "\#HH" not preceded by a backslash by the character with the
// code HH: of the (at most) two characters after "#", leading blanks and one
// "$" are skipped and hexadecimal digits read up to the first other character
// ("\#4g" is code 4, an empty number code 0); all of "\#" and those two
// characters are replaced. The text is searched again from the character
// produced, so a produced backslash in front of "#" starts a further escape
// ("\#5C#41" gives "A"), and a produced backslash in front of "\#" protects
// that one ("\#5C\#41" gives "\\#41"). "\#" right after a backslash stays.
// Each replacement shortens the text, so this is linear in the pattern.
String ExpandHexEscapes(const String& pattern) {
  String p = pattern;  // the produced characters are written back into it
  String out;
  out.reserve(p.size());
  size_t i = 0;
  while (i < p.size()) {
    if (p[i] != u'\\' || i + 1 >= p.size() || p[i + 1] != u'#') {
      out.push_back(p[i++]);
      continue;
    }
    if (!out.empty() && out.back() == u'\\') {
      out += u"\\#";
      i += 2;
      continue;
    }
    const size_t end = std::min(i + 4, p.size());
    size_t k = i + 2;
    while (k < end && p[k] == u' ') ++k;
    if (k < end && p[k] == u'$') ++k;
    int value = 0;
    for (; k < end && HexDigit(p[k]) >= 0; ++k) value = value * 16 + HexDigit(p[k]);
    // The character takes the place of the last one replaced and is read again.
    i = end - 1;
    p[i] = static_cast<Char>(value);
  }
  return out;
}

// The state machine that reads a pattern into tokens.
class Compiler {
 public:
  Compiler(TRegExp& tokens, std::array<bool, kMaxRegExpTokens + 1>& high, int32_t& count)
      : tok_(tokens), high_(high), nr_(count) {}

  int32_t Run(const String& pat);

 private:
  enum State { S0, S1, S2, S3, S4, S5, S6, S7 };

  TGrepToken& Cur() { return tok_[static_cast<size_t>(nr_)]; }

  bool New(TGrepTokenAct action) {
    if (nr_ >= kMaxRegExpTokens) return false;
    ++nr_;
    Cur().Action = action;
    return true;
  }
  int32_t NewLiteral(Char c) {
    if (!New(taNormal)) return grepTooManyTokens;
    Cur().NumChars = 1;
    Cur().Params[1] = c;
    return 0;
  }
  int32_t NewSet() {
    if (!New(taSet)) return grepTooManyTokens;
    Cur().NumChars = -1;
    Cur().Params.fill(kBlank);
    negate_ = false;
    has_last_ = false;
    return 0;
  }
  int32_t Append(Char c) {
    TGrepToken& t = Cur();
    if (nr_ > 0 && t.Action == taNormal && t.NumChars < kMaxLiteral) {
      t.Params[static_cast<size_t>(++t.NumChars)] = c;
      return 0;
    }
    return NewLiteral(c);
  }
  int32_t AddToGroup(Char c) {
    TGrepToken& t = Cur();
    if (t.NumChars >= kMaxLiteral) return grepGroupTooLong;
    t.Params[static_cast<size_t>(++t.NumChars)] = c;
    return 0;
  }
  int32_t Element(Char c) {
    if (c > 255) return grepSetAbove255;
    Cur().Params[c] = kMember;
    last_ = c;
    has_last_ = true;
    return 0;
  }
  void CloseSet() {
    if (negate_) {
      for (Char& e : Cur().Params) e = e == kMember ? kBlank : kMember;
      high_[static_cast<size_t>(nr_)] = true;
    }
    negate_ = false;
  }
  // Applies a quantifier to the current token; `group` keeps a literal whole.
  int32_t Quantify(TGrepTokenAct q, bool group) {
    TGrepToken& t = Cur();
    switch (t.Action) {
      case taNormal:
        if (group || t.NumChars == 1) {
          t.Action = q;
          return 0;
        } else {
          if (nr_ >= kMaxRegExpTokens) return grepTooManyTokens;
          const Char c = t.Params[static_cast<size_t>(t.NumChars)];
          t.Params[static_cast<size_t>(t.NumChars--)] = 0;
          New(q);
          Cur().NumChars = 1;
          Cur().Params[1] = c;
          return 0;
        }
      case taAnyByte:
        t.Action = q;
        t.NumChars = 0;
        return 0;
      case taSet:
        t.Action = q;
        t.NumChars = -1;
        return 0;
      default:
        return 9;
    }
  }

  TRegExp& tok_;
  std::array<bool, kMaxRegExpTokens + 1>& high_;
  int32_t& nr_;
  bool negate_ = false;
  bool has_last_ = false;
  Char last_ = 0;
};

TGrepTokenAct QuantifierOf(Char c) { return c == u'*' ? taMult0 : c == u'+' ? taMult1 : taOpti; }

bool IsQuantifier(Char c) { return c == u'*' || c == u'+' || c == u'?'; }

int32_t Compiler::Run(const String& pat) {
  State st = S0;
  size_t i = 0;
  while (i < pat.size()) {
    Char c = pat[i++];
    bool esc = false;
    if (c == u'\\') {
      if (i >= pat.size()) return grepTrailingBackslash;
      c = pat[i++];
      esc = true;
    }
    int32_t err = 0;
    switch (st) {
      case S0:
      case S1:
      case S4:
      case S6: {
        // The four states after an item (or before the first) share most moves.
        const bool quant = !esc && IsQuantifier(c);
        if (st == S0) {
          if (!esc && (c == u'$' || quant)) return 1;
        } else if (quant) {
          // No characters as an operand would read as "any character".
          if (st == S6 && Cur().NumChars == 0) return grepEmptyGroup;
          err = Quantify(QuantifierOf(c), st == S6);
          break;
        }
        if (esc) {
          err = st == S1 ? Append(c) : NewLiteral(c);
          st = S1;
          break;
        }
        switch (c) {
          case u'$':
            if (!New(taEol)) return grepTooManyTokens;
            st = S7;
            break;
          case u'(':
            if (!New(taNormal)) return grepTooManyTokens;
            st = S5;
            break;
          case u')':
            return 8;
          case u'.':
            if (!New(taAnyByte)) return grepTooManyTokens;
            st = S1;
            break;
          case u'[':
            err = NewSet();
            st = S2;
            break;
          case u']':
            return 6;
          case u'^':
            if (st != S0) return 2;
            if (!New(taBol)) return grepTooManyTokens;
            st = S1;
            break;
          case u'-':
            if (st == S4) return 7;
            [[fallthrough]];
          default:
            err = st == S1 ? Append(c) : NewLiteral(c);
            st = S1;
            break;
        }
        break;
      }
      case S2:
        if (!esc && c == u']') return 4;
        if (!esc && c == u'-') return 7;
        if (!esc && c == u'^') {
          negate_ = true;
        } else {
          err = Element(c);
        }
        st = S3;
        break;
      case S3:
        if (esc) {
          err = Element(c);
        } else if (c == u']') {
          CloseSet();
          st = S4;
        } else if (c == u'^') {
          return 5;
        } else if (c == u'-') {
          if (!has_last_) return 7;
          if (i >= pat.size()) return 0;  // the pattern ends inside the set
          const Char d = pat[i++];
          if (d > 255) return grepSetAbove255;
          const Char lo = std::min(last_, d), hi = std::max(last_, d);
          for (int code = lo; code <= hi; ++code) Cur().Params[static_cast<size_t>(code)] = kMember;
          last_ = lo;
        } else {
          err = Element(c);
        }
        break;
      case S5:
        if (!esc && c == u')') {
          st = S6;  // an empty group is a literal of no characters
        } else if (!esc && c == u'^') {
          return 2;
        } else {
          err = AddToGroup(c);
        }
        break;
      case S7:
        return 3;
    }
    if (err != 0) return err;
  }
  return 0;
}

using Pos = int64_t;

}  // namespace

// ---- matching ------------------------------------------------------------------

// One search over one text: the recursive token procedure, the skipping scan
// for the first token, and the memory of failed (token, position) pairs that
// keeps the search linear in the text.
//
// Whether token k matches at p (with the rest of the pattern behind it)
// depends on nothing but k, p and the text, so a pair that failed once fails
// whenever it is tried again: it is remembered and never evaluated twice. A
// repetition (x* or x+) that fails from p has tried the rest of the pattern
// at every position of its run p, p + len, ... up to where the operand stops,
// so it fails from each of those positions too: they are remembered as well,
// and a later repetition that reaches one of them stops there. Every pair is
// thus evaluated at most once and every position of a run visited at most
// once per token, whatever the pattern: the cost is at most proportional to
// tokens x text length (times the length of a literal operand).
class TGrep::Matcher {
 public:
  Matcher(TGrep& g, std::u16string_view text)
      : g_(g),
        tok_(g.tokens_),
        s_(text.data()),
        n_(static_cast<Pos>(text.size())),
        last_(g.nr_tokens_) {
    near_index_.fill(-1);
  }

  // Positions beyond n + 1 (only where a search starts there) are not
  // remembered.
  bool Try(int k, Pos p) {
    if (Failed(k, p)) return false;
    ++examined_;
    const bool ok = TryToken(k, p);
    if (!ok) MarkFailed(k, p);
    return ok;
  }

  // Token evaluations and repetitions visited so far.
  int64_t Examined() const { return examined_; }

  // The first position >= p, up to `last`, at which token 1 can pass its own
  // test; last + 1 when there is none.
  Pos NextCandidate(Pos p, Pos last) const {
    const TGrepToken& t = tok_[1];
    const Pos none = last + 1;
    int32_t lit = 0;   // length of a literal the token starts with
    bool set = false;  // the token starts with a set member
    switch (t.Action) {
      case taNormal:
        if (t.NumChars == 0) return p;  // an open group without characters
        lit = t.NumChars;
        break;
      case taSet:
        set = true;
        break;
      case taAnyByte:
        return p <= n_ ? p : none;
      case taMult1:
        if (t.NumChars == 0) return p <= n_ ? p : none;
        set = t.NumChars < 0;
        lit = std::max(t.NumChars, 0);
        break;
      default:
        return p;
    }
    const Pos stop = std::min(last, n_);  // the token needs a character at p
    if (p > stop) return none;
    const bool avx2 = internal::HasCpuFeatures(internal::kCpuAVX2);
    if (set) {
      const Char* from = s_ + p - 1;
      const Char* to = s_ + stop;
      if (g_.start_ranges_.count >= 0) {
        // The members as up to four ranges of units, compared 8 or 16 at a time.
#if defined(__x86_64__) || defined(_M_X64)
        const size_t at = avx2 ? internal::FindInRangesAvx2(from, to, g_.start_ranges_)
                               : internal::FindInRanges(from, to, g_.start_ranges_);
#else
        const size_t at = internal::FindInRanges(from, to, g_.start_ranges_);
#endif
        return at < static_cast<size_t>(to - from) ? p + static_cast<Pos>(at) : none;
      }
      const bool high = g_.high_member_[1];
      for (Pos q = p; q <= stop; ++q) {
        const Char c = s_[q - 1];
        if (c < 256 ? t.Params[c] == kMember : high) return q;
      }
      return none;
    }
    if (lit == 0) return p;
    const Char* const l = t.Params.data() + 1;
    const auto m = static_cast<size_t>(lit);
#if defined(__x86_64__) || defined(_M_X64)
    const Pos q = avx2 ? internal::FindLiteralAvx2(s_ + p - 1, s_ + n_, l, m, g_.lit_a_, g_.lit_b_)
                       : internal::FindLiteral(s_ + p - 1, s_ + n_, l, m, g_.lit_a_, g_.lit_b_);
#else
    const Pos q = internal::FindLiteral(s_ + p - 1, s_ + n_, l, m, g_.lit_a_, g_.lit_b_);
#endif
    return q < 0 || p + q > stop ? none : p + q;
  }

  Pos End() const { return end_; }

  // For a pattern that ends with "$" (and does not start with "^"): the first
  // position >= from at which the pattern matches, or n + 2 when there is
  // none; `from` itself when that is not settled within kReverseBudget
  // positions, or when from lies beyond n + 1. A match must reach the end of
  // the text, so this works backwards from there: at each position, which
  // tokens can match from it through to the end, from what is known of the
  // positions behind it. Once no token can at as many positions in a row as
  // the longest token is long, no position further left can reach the end
  // either, and the search need not look there at all ("needle [0-9]+$" reads
  // only the end of a text).
  Pos FirstReachingEnd(Pos from) const {
    constexpr Pos kReverseBudget = 4096;
    constexpr size_t kRing = 256;  // > the longest token (255)
    Pos longest = 1;
    for (int k = 1; k <= last_; ++k)
      longest = std::max<Pos>(longest, tok_[static_cast<size_t>(k)].NumChars);
    // Bit k - 1 of reach[q % kRing]: tokens k.. match from q to the end.
    // Bit k - 1 of run[q % kRing], for x+ tokens: a run of x from q (maybe
    // empty) followed by the rest does.
    if (from > n_ + 1) return from;  // nothing there reaches the end
    std::array<uint64_t, kRing> reach{}, run{};
    Pos first = n_ + 2, quiet = 0;
    for (Pos p = n_ + 1; p >= from; --p) {
      if (n_ + 1 - p > kReverseBudget) return from;
      uint64_t here = 0, run_here = 0;
      auto at = [&](const std::array<uint64_t, kRing>& bits, uint64_t now, int k, Pos q) {
        if (q > n_ + 1) return false;
        const uint64_t b = q == p ? now : bits[static_cast<size_t>(q) % kRing];
        return ((b >> (k - 1)) & 1) != 0;
      };
      for (int k = last_; k >= 1; --k) {
        const TGrepToken& t = tok_[static_cast<size_t>(k)];
        const Pos len = OperandLen(t);
        bool ok = false;
        switch (t.Action) {
          case taNormal:
            ok = LiteralAt(t, p) && at(reach, here, k + 1, p + t.NumChars);
            break;
          case taAnyByte:
            ok = p <= n_ && at(reach, here, k + 1, p + 1);
            break;
          case taSet:
            ok = p <= n_ && Member(k, p) && at(reach, here, k + 1, p + 1);
            break;
          case taEol:
            ok = p == n_ + 1;
            break;
          case taBol:
            return from;  // not used for such patterns
          case taMult0:
            ok = at(reach, here, k + 1, p) || (OperandAt(k, p) && at(reach, here, k, p + len));
            break;
          case taMult1: {
            const bool r =
                at(reach, here, k + 1, p) || (OperandAt(k, p) && at(run, run_here, k, p + len));
            if (r) run_here |= uint64_t{1} << (k - 1);
            ok = OperandAt(k, p) && at(run, run_here, k, p + len);
            break;
          }
          case taOpti:
            ok = at(reach, here, k + 1, p) || (OperandAt(k, p) && at(reach, here, k + 1, p + len));
            break;
        }
        if (ok) here |= uint64_t{1} << (k - 1);
      }
      reach[static_cast<size_t>(p) % kRing] = here;
      run[static_cast<size_t>(p) % kRing] = run_here;
      if (here & 1) first = p;
      quiet = here == 0 && run_here == 0 ? quiet + 1 : 0;
      if (quiet >= longest) break;
    }
    return first;
  }

 private:
  bool Member(int k, Pos q) const {
    const Char c = s_[q - 1];
    return c < 256 ? tok_[static_cast<size_t>(k)].Params[c] == kMember
                   : g_.high_member_[static_cast<size_t>(k)];
  }
  bool LiteralAt(const TGrepToken& t, Pos q) const {
    const Pos m = t.NumChars;
    if (m == 0) return true;  // nothing to find stands everywhere
    return q >= 1 && q + m - 1 <= n_ &&
           std::memcmp(s_ + q - 1, t.Params.data() + 1, static_cast<size_t>(m) * sizeof(Char)) == 0;
  }
  // Does the operand of quantified token k stand at q?
  bool OperandAt(int k, Pos q) const {
    const TGrepToken& t = tok_[static_cast<size_t>(k)];
    if (t.NumChars > 0) return LiteralAt(t, q);
    if (q < 1 || q > n_) return false;
    return t.NumChars == 0 || Member(k, q);
  }
  static Pos OperandLen(const TGrepToken& t) { return t.NumChars > 0 ? t.NumChars : 1; }

  bool TryToken(int k, Pos p) {
    TGrepToken& t = tok_[static_cast<size_t>(k)];
    switch (t.Action) {
      case taNormal:
        if (!LiteralAt(t, p)) return false;
        break;
      case taAnyByte:
        if (p < 1 || p > n_) return false;
        break;
      case taEol:
        if (p != n_ + 1 || k != last_) return false;
        break;
      case taBol:
        if (p != 1) return false;
        break;
      case taSet:
        if (p < 1 || p > n_ || !Member(k, p)) return false;
        break;
      case taMult1:
        if (!OperandAt(k, p)) return false;
        break;
      case taMult0:
      case taOpti:
        break;
    }
    t.ValidFrom = static_cast<int32_t>(p);
    const Pos len = OperandLen(t);
    if (k < last_) {
      switch (t.Action) {
        case taNormal:
          return Try(k + 1, p + t.NumChars);
        case taAnyByte:
        case taSet:
          return Try(k + 1, p + 1);
        case taBol:
          return Try(k + 1, 1);
        case taEol:
          return false;
        case taMult0:
          // Shortest first: the rest is tried before each further repetition.
          // A run position already known to fail ends the search of the run,
          // since from there on this run is the one already tried. A position
          // behind which the rest failed is marked at once: should a later
          // position succeed, the whole search ends and the marks are dropped.
          for (Pos q = p;; q += len) {
            if (q != p && Failed(k, q)) return false;
            if (Try(k + 1, q)) return true;
            MarkFailed(k, q);
            ++examined_;
            if (!OperandAt(k, q)) return false;
          }
        case taMult1:
          // As above; the repetition from q - len fails once the rest failed
          // from q on.
          for (Pos q = p + len;; q += len) {
            if (q - len != p && Failed(k, q - len)) return false;
            if (Try(k + 1, q)) return true;
            MarkFailed(k, q - len);
            ++examined_;
            if (!OperandAt(k, q)) {
              MarkFailed(k, q);
              return false;
            }
          }
        case taOpti:
          if (Try(k + 1, p)) return true;
          return OperandAt(k, p) && Try(k + 1, p + len);
      }
      return false;
    }
    // The last token: it takes as much as it can.
    switch (t.Action) {
      case taNormal:
        end_ = p + t.NumChars - 1;
        break;
      case taAnyByte:
      case taSet:
        end_ = p;
        break;
      case taEol:
        end_ = n_;
        break;
      case taBol:
        end_ = 1;
        break;
      case taMult0:
      case taMult1:
        if (t.NumChars == 0) {
          end_ = n_;
        } else {
          Pos q = t.Action == taMult0 ? p : p + len;
          while (OperandAt(k, q)) q += len;
          end_ = q - 1;
        }
        break;
      case taOpti:
        if (t.NumChars == 0)
          end_ = p <= n_ ? p : n_;
        else
          end_ = OperandAt(k, p) ? p + len - 1 : p - 1;
        break;
    }
    return true;
  }

  // Failed pairs: one bit per token and position 0..n + 1, in blocks of
  // kBlockBits positions allocated (zero-filled) when a pair in them first
  // fails and found through a map, with the block a token used last kept at
  // hand (repetitions and their rests move through the text in order). A
  // search whose tokens never fail allocates nothing, a long text only the
  // blocks it uses.
  static constexpr int kBlockShift = 15;
  static constexpr Pos kBlockBits = Pos{1} << kBlockShift;
  uint64_t* Block(int k, Pos p, bool create) {
    const auto kk = static_cast<size_t>(k);
    const Pos index = p >> kBlockShift;
    if (near_index_[kk] == index) return near_[kk];
    uint64_t* block = nullptr;
    const uint64_t key = static_cast<uint64_t>(index) * (kMaxRegExpTokens + 1) + kk;
    if (auto it = blocks_.find(key); it != blocks_.end()) {
      block = it->second.get();
    } else if (create) {
      // A text shorter than a block needs only the words for its positions.
      const auto words = static_cast<size_t>((std::min(kBlockBits, n_ + 2) + 63) / 64);
      void* m = std::calloc(words, sizeof(uint64_t));
      if (m == nullptr) throw std::bad_alloc();
      block = static_cast<uint64_t*>(m);
      blocks_.emplace(key, std::unique_ptr<uint64_t, FreeDeleter>(block));
    } else {
      return nullptr;
    }
    near_index_[kk] = index;
    near_[kk] = block;
    return block;
  }
  bool Failed(int k, Pos p) {
    if (p > n_ + 1 || blocks_.empty()) return false;
    const uint64_t* block = Block(k, p, false);
    if (block == nullptr) return false;
    const auto i = static_cast<uint64_t>(p & (kBlockBits - 1));
    return (block[i >> 6] >> (i & 63)) & 1;
  }
  void MarkFailed(int k, Pos p) {
    if (p > n_ + 1) return;
    uint64_t* block = Block(k, p, true);
    const auto i = static_cast<uint64_t>(p & (kBlockBits - 1));
    block[i >> 6] |= uint64_t{1} << (i & 63);
  }
  struct FreeDeleter {
    void operator()(uint64_t* m) const { std::free(m); }
  };

  TGrep& g_;
  TRegExp& tok_;
  const Char* s_;
  Pos n_;
  int last_;
  Pos end_ = 0;
  int64_t examined_ = 0;
  std::unordered_map<uint64_t, std::unique_ptr<uint64_t, FreeDeleter>> blocks_;
  std::array<Pos, kMaxRegExpTokens + 1> near_index_;  // index of near_'s block, or -1
  std::array<uint64_t*, kMaxRegExpTokens + 1> near_{};
};

// ---- TGrep ---------------------------------------------------------------------

TGrep::TGrep(TComponent* AOwner) : TComponent(AOwner) {}

TGrep::~TGrep() = default;

String TGrep::ClassName() const { return u"TGrep"; }

String TGrep::ErrorText(int32_t Code) {
  switch (Code) {
    case 0:
      return u"no errors";
    case 1:
      return u"reg.exp. must not start with $, *, ?, or +";
    case 2:
      return u"circumflex not allowed here";
    case 3:
      return u"no character allowed after end of line";
    case 4:
      return u"empty set";
    case 5:
      return u"circumflex has to be quoted in set";
    case 6:
      return u"mismatch of set brackets";
    case 7:
      return u"minus not allowed here";
    case 8:
      return u"mismatch of group brackets";
    case 9:
      return u"*, ?, + have to be applied to groups or sets only";
    case grepEmptyGroup:
      return u"quantifier applied to an empty group";
    case grepTooManyTokens:
      return u"reg.exp. too long (more than 64 tokens)";
    case grepTrailingBackslash:
      return u"backslash at the end of the reg.exp.";
    case grepSetAbove255:
      return u"set element above character code 255";
    case grepGroupTooLong:
      return u"group longer than 255 characters";
    default:
      return String();
  }
}

void TGrep::SetRegExp(const String& Value) {
  regexp_ = Value;
  CompileRegExp(Value);
  if (stop_on_error_ && last_error_ > 0)
    throw EZELStringlError(u"Component \"" + Name() + u"\": error in regular expression - " +
                           ErrorText(last_error_));
}

void TGrep::SetIgnoreCase(bool Value) {
  ignore_case_ = Value;
  CompileRegExp(regexp_);
}

int32_t TGrep::CompileRegExp(const String& Pattern) {
  last_error_ = 0;
  // Escapes first, folding after: an escape that yields an upper-case letter
  // then matches under IgnoreCase like the letter itself.
  String pat = ExpandHexEscapes(Pattern);
  if (ignore_case_) pat = LowerCase(pat);
  for (TGrepToken& t : tokens_) t = TGrepToken{};
  high_member_.fill(false);
  nr_tokens_ = 0;
  last_error_ = Compiler(tokens_, high_member_, nr_tokens_).Run(pat);
  PrepareStartScan();
  return last_error_;
}

namespace {

// How often a unit stands in ordinary text, roughly: 0 for the blank, then the
// lower-case letters from the most to the least frequent in English, then
// digits, punctuation, capitals and everything else. The literal scan filters
// on the two rarest units of a literal so that few places need a full check.
int Commonness(Char c) {
  static constexpr std::u16string_view kByFrequency = u" etaoinshrdlcumwfgypbvkjxqz";
  const size_t i = kByFrequency.find(c);
  if (i != std::u16string_view::npos) return 100 - static_cast<int>(i);
  if (c >= u'0' && c <= u'9') return 60;
  if (c < 128) return c >= u'A' && c <= u'Z' ? 40 : 50;
  return 0;
}

}  // namespace

void TGrep::PrepareStartScan() {
  // A set as token 1 (alone or repeated by +): its members as ranges of units,
  // when four or fewer ranges hold them.
  start_ranges_ = internal::UnitRanges{};
  start_ranges_.count = -1;
  const TGrepToken& t = tokens_[1];
  if (nr_tokens_ > 0 && t.NumChars < 0 && (t.Action == taSet || t.Action == taMult1)) {
    internal::UnitRanges r;
    int code = 0;
    while (code < 256 && r.count <= internal::kMaxUnitRanges) {
      if (t.Params[static_cast<size_t>(code)] != kMember) {
        ++code;
        continue;
      }
      const int lo = code;
      while (code < 256 && t.Params[static_cast<size_t>(code)] == kMember) ++code;
      if (r.count < internal::kMaxUnitRanges) {
        r.lo[static_cast<size_t>(r.count)] = static_cast<Char>(lo);
        r.hi[static_cast<size_t>(r.count)] = static_cast<Char>(code - 1);
      }
      ++r.count;
    }
    if (high_member_[1] && r.count <= internal::kMaxUnitRanges) {
      // Every unit above 255 is a member too.
      if (r.count > 0 && r.hi[static_cast<size_t>(r.count - 1)] == 255) {
        r.hi[static_cast<size_t>(r.count - 1)] = 0xFFFF;
      } else {
        if (r.count < internal::kMaxUnitRanges) {
          r.lo[static_cast<size_t>(r.count)] = 256;
          r.hi[static_cast<size_t>(r.count)] = 0xFFFF;
        }
        ++r.count;
      }
    }
    if (r.count <= internal::kMaxUnitRanges) start_ranges_ = r;
  }
  // A literal as token 1: the two rarest of its units filter the places.
  lit_a_ = lit_b_ = 0;
  if (nr_tokens_ > 0 && t.NumChars > 0 && (t.Action == taNormal || t.Action == taMult1)) {
    const auto m = static_cast<size_t>(t.NumChars);
    lit_b_ = m - 1;
    if (m > 2) {
      auto rank = [&t](size_t i) { return Commonness(t.Params[i + 1]); };
      size_t a = 0;
      for (size_t i = 1; i < m; ++i)
        if (rank(i) < rank(a)) a = i;
      size_t b = a == 0 ? 1 : 0;
      for (size_t i = 0; i < m; ++i)
        if (i != a && rank(i) < rank(b)) b = i;
      lit_a_ = std::min(a, b);
      lit_b_ = std::max(a, b);
    }
  }
}

TGrepToken TGrep::GetRegExpToken(int32_t Index) const {
  if (Index > nr_tokens_) Index = nr_tokens_;
  if (Index < 1) Index = 1;
  return tokens_[static_cast<size_t>(Index)];
}

bool TGrep::MatchString(const String& Text, int32_t& MatchPos) {
  examined_ = 0;
  if (nr_tokens_ == 0) return false;
  if (Text.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max() - 2))
    throw EZELStringlError(u"Component \"" + Name() + u"\": text too long for matching");
  const Pos n = static_cast<Pos>(Text.size());
  if (nr_tokens_ == 1 && tokens_[1].Action == taMult0) {
    if (n != 0 && n < search_start_pos_) return false;
    MatchPos = match_start_pos_ = 1;
    match_end_pos_ = static_cast<int32_t>(n);
    return true;
  }
  String folded;
  std::u16string_view text = Text;
  if (ignore_case_) {
    folded = LowerCase(Text);
    text = folded;
  }
  Matcher m(*this, text);
  const Pos start = std::max<Pos>(search_start_pos_, 1);
  bool found = false;
  if (tokens_[1].Action == taBol) {
    found = m.Try(1, start);
  } else {
    const Pos last = std::max(start + 1, n);
    Pos from = start;
    if (tokens_[static_cast<size_t>(nr_tokens_)].Action == taEol) from = m.FirstReachingEnd(start);
    for (Pos p = from; p <= last; ++p) {
      p = m.NextCandidate(p, last);
      if (p > last) break;
      if (m.Try(1, p)) {
        found = true;
        break;
      }
    }
  }
  examined_ = m.Examined();
  if (!found) return false;
  MatchPos = match_start_pos_ = tokens_[1].ValidFrom;
  match_end_pos_ = static_cast<int32_t>(m.End());
  return true;
}

struct internal::GrepInternals {
  static int64_t Examined(const TGrep& Grep) noexcept { return Grep.examined_; }
};

int64_t internal::GrepExamined(const TGrep& Grep) noexcept {
  return GrepInternals::Examined(Grep);
}

void TGrep::PrintRegExp(const String& FileName) const {
  auto members = [](const TGrepToken& t) {
    String s;
    for (size_t c = 0; c < 256; ++c)
      if (t.Params[c] == kMember) s.push_back(static_cast<Char>(c));
    return s;
  };
  auto literal = [](const TGrepToken& t) {
    return String(t.Params.data() + 1, static_cast<size_t>(std::max(t.NumChars, 0)));
  };
  TextFile f(FileName);
  f.Rewrite();
  for (int k = 1; k <= nr_tokens_; ++k) {
    const TGrepToken& t = tokens_[static_cast<size_t>(k)];
    String line;
    switch (t.Action) {
      case taNormal:
        line = u" taNormal: " + literal(t);
        break;
      case taAnyByte:
        line = u"taAnyByte: ";
        break;
      case taEol:
        line = u"    taEol: ";
        break;
      case taBol:
        line = u"    taBol: ";
        break;
      case taSet:
        line = u"    taSet: " + members(t);
        break;
      case taMult0:
      case taMult1:
      case taOpti:
        line = t.Action == taMult0   ? u"  taMult0: "
               : t.Action == taMult1 ? u"  taMult1: "
                                     : u"   taOpti: ";
        if (t.NumChars < 0)
          line += u"(set) " + members(t);
        else if (t.NumChars > 0)
          line += u"(string) " + literal(t);
        else
          line += u"(anychar) ";
        break;
    }
    f.WriteLn(line);
  }
  f.WriteLn(ErrorText(last_error_));
  f.Close();
}

}  // namespace zel
