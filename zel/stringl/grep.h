// TGrep: a small pattern matcher for strings.
//
// A pattern is compiled into at most 64 tokens; MatchString then looks for the
// first place in a text where the token sequence matches and reports where the
// match starts and where it ends.
//
// Syntax. Literal characters; "." any character; "[...]" a set of characters
// with ranges ("[a-z]", "[z-a]" is the same) and negation ("[^0-9]", "[^]"
// is every character); "^" at the start and "$" at the end; "(...)" a group of
// literal text; the quantifiers "*" (0 or more), "+" (1 or more) and "?" (0 or
// 1) after a single character, a set, "." or a group. "ab*" quantifies only
// the "b". A backslash makes the next character literal. "\#HH" is replaced by
// the character with the hexadecimal code HH before the pattern is read (a
// "\#" right after a backslash stays as it is); the character produced is read
// like any pattern character ("\#2A" is the quantifier "*"), also by this
// replacement ("\#5C#41", a backslash in front of "#41", gives "A"). There is no
// alternation and no nesting. A pattern that ends inside a set or a group is
// taken as it stands.
//
// Matching. The search tries SearchStartPos, SearchStartPos + 1, ... up to the
// larger of SearchStartPos + 1 and the text length (only SearchStartPos for a
// pattern that starts with "^"). Quantifiers inside the pattern take the
// shortest repetition that lets the rest match; the last token takes as much
// as it can: "a.*b" on "axbxb" ends at 3, "ax*" on "axxxy" ends at 4. A
// pattern made of one "x*" token matches every text whole. IgnoreCase folds
// the ASCII letters of the pattern (after the hexadecimal escapes are
// replaced, so "\#41" finds "a" and "A") and of the text.
//
// Error codes (LastError, and the text in the exception and in PrintRegExp):
//   1..9 the pattern errors listed with ErrorText below, and, of this
//   implementation:
//   10 "quantifier applied to an empty group": "()*", "()+" and "()?" (no
//      characters as the operand would read as "any character"); "()" alone
//      is a literal of no characters, which stands everywhere ("a()b" is
//      "ab"),
//   11 "reg.exp. too long (more than 64 tokens)": nothing is written past the
//      64 tokens,
//   12 "backslash at the end of the reg.exp.": a trailing backslash has no
//      character to quote,
//   13 "set element above character code 255": a set holds codes 0..255 only,
//   14 "group longer than 255 characters": a token holds at most 255
//      characters (a plain literal that long simply continues in a new token).
// A "-" right after "[^" has no element before it to start a range: like
// "[-a]", "[^-a]" is error 7 (a literal minus is written "\-").
// A faulty pattern keeps the tokens compiled before the error, and matches
// with them.
//
// Characters above code 255. Literals and groups match them like any other
// character. No set lists them, so a text character above 255 is never a
// member of a set, and always a member of a negated set ("[^a]" matches "€").
//
// An empty pattern (no tokens) matches nothing. A SearchStartPos below 1
// searches from 1.
//
// Cost. Compilation is linear in the pattern. The search skips ahead with a
// vectorised scan (16 characters at a time with AVX2) to the places where a
// leading literal stands (filtered on two of its rarest characters), or a
// member of a leading set (of at most four ranges of codes); a pattern that
// starts with "^" is tried once; for a pattern that ends with "$" the search
// first works back from the end of the text to where a match can start (up to
// 4096 characters back), so "needle [0-9]+$" reads only the end of a long
// text. Inner quantifiers backtrack, but a token
// that failed at a position is remembered (one bit per token and text
// position, allocated in blocks where a token fails), and a repetition that
// failed remembers every position of its run: no token is evaluated twice at
// one position, so a search costs at most about tokens x text length steps,
// for every pattern. With IgnoreCase the text is copied once per MatchString.
//
// Not thread-safe: MatchString writes the object's match fields.
#pragma once

#include <array>
#include <cstdint>

#include "zel/runtime/classes.h"
#include "zel/runtime/types.h"
#include "zel/stringl/internal/unit_ranges.h"

namespace zel {

// What a compiled token does: match its literal, any character, the end or
// the start of the text, a set; or repeat the token before it zero or more
// times (*), one or more times (+), or make it optional (?).
enum TGrepTokenAct : uint8_t { taNormal, taAnyByte, taEol, taBol, taSet, taMult0, taMult1, taOpti };

using TCharArr256 = std::array<Char, 256>;  // a token's characters or set flags

// One compiled token of a pattern.
struct TGrepToken {
  TGrepTokenAct Action = taNormal;  // what the token matches
  // taNormal: number of literal characters. Quantified tokens: > 0 the length
  // of a literal operand, 0 any character, -1 a set. taSet: -1. Others: 0.
  int32_t NumChars = 0;
  // A literal in Params[1..NumChars]; a set as Params[c] == '*' for members
  // and ' ' for the others.
  TCharArr256 Params{};
  // Where the token last matched (set by MatchString).
  int32_t ValidFrom = 0;
};

inline constexpr int kMaxRegExpTokens = 64;  // tokens a pattern may compile to
// Tokens 1..64; element 0 is not used.
using TRegExp = std::array<TGrepToken, kMaxRegExpTokens + 1>;

// Error codes of CompileRegExp.
inline constexpr int32_t grepOK = 0;
inline constexpr int32_t grepEmptyGroup = 10;         // "()*": a quantified empty group
inline constexpr int32_t grepTooManyTokens = 11;      // more than kMaxRegExpTokens tokens
inline constexpr int32_t grepTrailingBackslash = 12;  // the pattern ends in "\"
inline constexpr int32_t grepSetAbove255 = 13;        // a set names a character above 255
inline constexpr int32_t grepGroupTooLong = 14;       // a group of more than 255 characters

class TGrep;
namespace internal {
// Token evaluations and repetitions visited by the last MatchString of Grep
// (a measure of its work, for tests).
ZEL_API int64_t GrepExamined(const TGrep& Grep) noexcept;
struct GrepInternals;  // reads the work counter for GrepExamined
}  // namespace internal

class ZEL_API TGrep : public TComponent {
 public:
  // A matcher with the empty pattern, search start 1, case sensitive, and
  // StopOnError set. AOwner, when not nullptr, owns the matcher and destroys
  // it with itself.
  explicit TGrep(TComponent* AOwner);
  ~TGrep() override;

  String ClassName() const override;

  const String& RegExp() const noexcept { return regexp_; }  // the stored pattern
  // Stores and compiles the pattern; with StopOnError set, a faulty pattern
  // raises EZELStringlError 'Component "<Name>": error in regular expression
  // - <error text>' (after storing it and its tokens).
  void SetRegExp(const String& Value);

  bool IgnoreCase() const noexcept { return ignore_case_; }  // case-insensitive matching
  // Stores the flag and recompiles the stored pattern; never raises.
  void SetIgnoreCase(bool Value);

  // The first text position MatchString tries (SetSearchStartPos sets it).
  int32_t SearchStartPos() const noexcept { return search_start_pos_; }
  // Stores the first position to try; takes effect at the next MatchString.
  void SetSearchStartPos(int32_t Value) noexcept { search_start_pos_ = Value; }

  // Whether a faulty pattern given to SetRegExp raises EZELStringlError.
  bool StopOnError() const noexcept { return stop_on_error_; }
  // Stores the flag; takes effect at the next SetRegExp.
  void SetStopOnError(bool Value) noexcept { stop_on_error_ = Value; }

  int32_t NrOfRegExpTokens() const noexcept { return nr_tokens_; }  // tokens of the pattern
  int32_t LastError() const noexcept { return last_error_; }        // code of the last compilation
  int32_t MatchStartPos() const noexcept { return match_start_pos_; }  // see MatchString
  int32_t MatchEndPos() const noexcept { return match_end_pos_; }      // see MatchString

  // A copy of token Index: above NrOfRegExpTokens it is NrOfRegExpTokens, then
  // below 1 it is 1 (so with no tokens, the cleared token 1).
  TGrepToken GetRegExpToken(int32_t Index) const;
  // GetRegExpToken(Index).
  TGrepToken RegExpToken(int32_t Index) const { return GetRegExpToken(Index); }

  // Compiles Pattern into the tokens (the stored RegExp is not changed); sets
  // and returns LastError.
  int32_t CompileRegExp(const String& Pattern);

  // Searches Text. On success MatchPos and MatchStartPos are the start of the
  // match and MatchEndPos its last position (start - 1 for an empty match).
  // After a failed search MatchPos and MatchStartPos carry no meaning.
  bool MatchString(const String& Text, int32_t& MatchPos);

  // Writes one line per token and a line with the text of LastError ("no
  // errors" for 0), CR LF line ends, to the file FileName (created or
  // overwritten).
  // File errors raise EInOutError.
  void PrintRegExp(const String& FileName) const;

  // The text of an error code ("" for codes without one).
  static String ErrorText(int32_t Code);

 private:
  class Matcher;
  friend class Matcher;
  // Prepares the scan for the places where token 1 can match.
  void PrepareStartScan();
  friend struct internal::GrepInternals;

  TRegExp tokens_{};
  // Whether characters above 255 belong to set token i (negated sets).
  std::array<bool, kMaxRegExpTokens + 1> high_member_{};
  String regexp_;
  bool ignore_case_ = false;
  int32_t search_start_pos_ = 1;
  bool stop_on_error_ = true;
  int32_t nr_tokens_ = 0;
  int32_t last_error_ = 0;
  int32_t match_start_pos_ = 0;
  int32_t match_end_pos_ = 0;
  int64_t examined_ = 0;  // see internal::GrepExamined
  // The scan for token 1: a set's members as ranges (count -1: too many), a
  // literal's two filter units.
  internal::UnitRanges start_ranges_{};
  size_t lit_a_ = 0, lit_b_ = 0;
};

}  // namespace zel
