#include "zel/htmlsupport/internal/htmlscan.h"

#include <algorithm>
#include <array>
#include <utility>

#include "zel/base/htmlentities.h"
#include "zel/stringl/charclass.h"

namespace zel::internal {

namespace {

// Longest entity name of the set ("plusmn", "frac14": 6 letters).
constexpr size_t kMaxEntityName = 8;

using NamedEntity = std::pair<std::u16string_view, Char>;
constexpr size_t kNamedEntities = HTMLLat1Entities.size() + 5;

// The entity names without "&" and ";", sorted for binary search.
const std::array<NamedEntity, kNamedEntities>& EntityTable() {
  static const std::array<NamedEntity, kNamedEntities> table = [] {
    std::array<NamedEntity, kNamedEntities> t{};
    size_t k = 0;
    for (size_t i = 0; i < HTMLLat1Entities.size(); ++i) {
      const std::u16string_view e = HTMLLat1Entities[i];
      t[k++] = {e.substr(1, e.size() - 2), static_cast<Char>(kHTMLLat1First + i)};
    }
    t[k++] = {u"amp", u'&'};
    t[k++] = {u"lt", u'<'};
    t[k++] = {u"gt", u'>'};
    t[k++] = {u"quot", u'"'};
    t[k++] = {u"apos", u'\''};
    std::sort(t.begin(), t.end());
    return t;
  }();
  return table;
}

Char LowerAscii(Char C) noexcept {
  return (C >= u'A' && C <= u'Z') ? static_cast<Char>(C + 32) : C;
}

}  // namespace

size_t ReadHTMLEntity(std::u16string_view S, size_t At, char32_t& CodePoint) {
  const size_t n = S.size();
  size_t j = At + 1;
  if (j < n && S[j] == u'#') {
    ++j;
    const bool hex = j < n && (S[j] == u'x' || S[j] == u'X');
    if (hex) ++j;
    const size_t digits = j;
    char32_t v = 0;
    while (j < n && (hex ? IsHexChar(S[j]) : IsDigit(S[j]))) {
      const Char c = S[j];
      const char32_t d = IsDigit(c) ? c - u'0' : LowerAscii(c) - u'a' + 10;
      // Saturate above the largest code point so long digit runs cannot wrap.
      v = std::min<char32_t>(v * (hex ? 16 : 10) + d, 0x110000);
      ++j;
    }
    if (j == digits || j >= n || S[j] != u';') return 0;
    if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
    CodePoint = v;
    return j + 1 - At;
  }
  const size_t name = j;
  while (j < n && j - name <= kMaxEntityName && IsDigitLetter(S[j])) ++j;
  if (j == name || j >= n || S[j] != u';') return 0;
  const std::u16string_view key = S.substr(name, j - name);
  const auto& table = EntityTable();
  const auto it =
      std::lower_bound(table.begin(), table.end(), key,
                       [](const NamedEntity& e, std::u16string_view k) { return e.first < k; });
  if (it == table.end() || it->first != key) return 0;
  CodePoint = it->second;
  return j + 1 - At;
}

void AppendCodePoint(String& Out, char32_t CodePoint) {
  if (CodePoint < 0x10000) {
    Out.push_back(static_cast<Char>(CodePoint));
    return;
  }
  const char32_t v = CodePoint - 0x10000;
  Out.push_back(static_cast<Char>(0xD800 + (v >> 10)));
  Out.push_back(static_cast<Char>(0xDC00 + (v & 0x3FF)));
}

size_t FindTag(std::u16string_view S, size_t From, std::u16string_view Name) {
  const size_t n = S.size();
  for (size_t at = S.find(u'<', From); at != std::u16string_view::npos; at = S.find(u'<', at + 1)) {
    if (n - at - 1 < Name.size()) return std::u16string_view::npos;
    size_t k = 0;
    while (k < Name.size() && LowerAscii(S[at + 1 + k]) == Name[k]) ++k;
    if (k < Name.size()) continue;
    const size_t after = at + 1 + k;
    if (after == n || IsHTMLSpace(S[after]) || S[after] == u'>' || S[after] == u'/') return at;
  }
  return std::u16string_view::npos;
}

size_t SkipTag(std::u16string_view S, size_t At) {
  const size_t n = S.size();
  size_t j = At + 1;
  while (j < n) {
    const Char c = S[j];
    if (c == u'>') return j + 1;
    ++j;
    if (c != u'=') continue;
    // An attribute value: a quoted one runs to its closing quote.
    while (j < n && IsHTMLSpace(S[j])) ++j;
    if (j < n && (S[j] == u'"' || S[j] == u'\'')) {
      const size_t close = S.find(S[j], j + 1);
      if (close == std::u16string_view::npos) return n;
      j = close + 1;
    }
  }
  return n;
}

}  // namespace zel::internal
