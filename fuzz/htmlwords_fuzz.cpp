// CountWordsHTML on arbitrary text against a reference that follows the rule
// literally with bounds-checked access, with both values of the flags; and
// counting the text in two pieces with the flag carried across agrees with the
// reference applied to the same two pieces.
#include <cstddef>
#include <cstdint>

#include "html_fuzz_support.h"
#include "zel/htmlsupport/htmlhelpers.h"
#include "zel/stringl/wordseps.h"

namespace {

int32_t Reference(const zel::String& s, bool skip, bool& in_tag) {
  int32_t count = 0;
  zel::String word;
  auto end_word = [&] {
    if (word.size() >= 2 && !(skip && word.at(0) >= u'0' && word.at(0) <= u'9')) ++count;
    word.clear();
  };
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s.at(i);
    if (c == u'<') in_tag = true;
    if (c == u'>') in_tag = false;
    if (in_tag) continue;
    if (c < 256 && zel::WordSeps.test(c))
      end_word();
    else
      word.push_back(c);
  }
  end_word();
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using zel_fuzz::Check;
  const zel::String text = zel_fuzz::FuzzText(data, size);
  for (int mode = 0; mode < 4; ++mode) {
    const bool skip = mode & 1;
    bool flag = mode & 2;
    bool ref_flag = flag;
    const int32_t n = zel::CountWordsHTML(text, skip, flag);
    Check(n == Reference(text, skip, ref_flag) && flag == ref_flag, "matches the reference");
    Check(n >= 0 && static_cast<size_t>(n) <= (text.size() + 1) / 3 + 1, "word count bound");
  }
  const size_t cut = size > 0 ? data[size - 1] % (text.size() + 1) : 0;
  const zel::String a = text.substr(0, cut), b = text.substr(cut);
  bool flag = false, ref_flag = false;
  const int32_t na = zel::CountWordsHTML(a, false, flag);
  const int32_t ra = Reference(a, false, ref_flag);
  Check(na == ra && flag == ref_flag, "first piece");
  Check(zel::CountWordsHTML(b, false, flag) == Reference(b, false, ref_flag) && flag == ref_flag,
        "second piece with the flag carried");
  return 0;
}
