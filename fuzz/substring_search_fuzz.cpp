// The shared substring search against std::basic_string_view::find and rfind,
// on UTF-16 units and on bytes. Input: byte 0 = pattern length (0..63), byte 1
// = alphabet size (1..4, small alphabets make the periodic patterns that
// stress the search; 0 keeps the units as they are), then the pattern and the
// text as little-endian UTF-16 units.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "zel/stringl/internal/substring_search.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

template <class CharT>
void Compare(const std::basic_string<CharT>& pattern, const std::basic_string<CharT>& text) {
  using View = std::basic_string_view<CharT>;
  const View p(pattern), t(text);
  const zel::internal::SubstringSearcher<CharT> fwd(p);
  const zel::internal::SubstringSearcher<CharT, true> bwd(p);
  for (size_t from = 0; from <= t.size() + 1; from += 1 + from / 8)
    Check(fwd.Find(t, from) == t.find(p, from));
  for (size_t end = 0; end <= t.size() + 1; end += 1 + end / 8) {
    const size_t want =
        end < p.size() ? View::npos : t.rfind(p, std::min(end, t.size()) - p.size());
    Check(bwd.FindLast(t, end) == want);
  }
  std::vector<size_t> all;
  fwd.ForEachMatch(t, [&](size_t f) {
    all.push_back(f);
    return true;
  });
  size_t k = 0;
  for (size_t f = p.empty() ? View::npos : t.find(p); f != View::npos; f = t.find(p, f + 1))
    Check(k < all.size() && all[k++] == f);
  Check(k == all.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t plen = data[0] % 64;
  const unsigned alphabet = data[1] % 5;
  std::u16string units;
  for (size_t i = 2; i + 1 < size; i += 2) {
    char16_t u = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    // Small alphabets: 'a', 'b', and two units that share their low byte
    // with them (the skip table's index).
    static const char16_t kLetters[] = {u'a', u'b', u'\u0161', u'\u0162'};
    if (alphabet != 0) u = kLetters[u % alphabet];
    units.push_back(u);
  }
  if (units.size() < plen) return 0;
  const std::u16string pattern = units.substr(0, plen);
  const std::u16string text = units.substr(plen);
  Compare(pattern, text);
  Compare(std::string(pattern.begin(), pattern.end()), std::string(text.begin(), text.end()));
  return 0;
}
