#include "zel/dstruct/internal/shortstring.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "zel/runtime/utf8.h"

namespace zel::internal {

namespace {

struct EncodeTables {
  std::array<uint8_t, 256> low{};                 // characters U+0000..U+00FF
  std::array<std::pair<Char, uint8_t>, 32> high;  // the others, sorted by character
  size_t high_count = 0;
};

const EncodeTables& Encoders() noexcept {
  static const EncodeTables tables = [] {
    EncodeTables t;
    t.low.fill('?');
    const auto& dec = ShortStringDecodeTable();
    for (int b = 0; b < 256; ++b) {
      const Char c = dec[static_cast<size_t>(b)];
      if (c < 0x100) {
        t.low[c] = static_cast<uint8_t>(b);
      } else if (t.high_count < t.high.size()) {
        t.high[t.high_count++] = {c, static_cast<uint8_t>(b)};
      }
    }
    std::sort(t.high.begin(), t.high.begin() + static_cast<std::ptrdiff_t>(t.high_count));
    return t;
  }();
  return tables;
}

}  // namespace

const std::array<Char, 256>& ShortStringDecodeTable() noexcept {
  static const std::array<Char, 256> table = [] {
    std::array<Char, 256> t{};
    for (int b = 0; b < 256; ++b) {
      const char byte = static_cast<char>(b);
      const String s = Cp1252ToString(std::string_view(&byte, 1));
      t[static_cast<size_t>(b)] = s.size() == 1 ? s[0] : static_cast<Char>(b);
    }
    return t;
  }();
  return table;
}

uint32_t EncodeShortString(const String& S, uint8_t* Out) noexcept {
  const EncodeTables& enc = Encoders();
  uint32_t n = 0;
  const size_t len = S.size();
  for (size_t i = 0; i < len && n < 255; ++i) {
    const Char c = S[i];
    if (c < 0x80) {
      Out[n++] = static_cast<uint8_t>(c);
    } else if (c < 0x100) {
      Out[n++] = enc.low[c];
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < len && S[i + 1] >= 0xDC00 &&
               S[i + 1] <= 0xDFFF) {
      Out[n++] = '?';
      ++i;
    } else {
      const auto* begin = enc.high.data();
      const auto* end = begin + enc.high_count;
      const auto* it = std::lower_bound(begin, end, std::pair<Char, uint8_t>(c, 0));
      Out[n++] = (it != end && it->first == c) ? it->second : static_cast<uint8_t>('?');
    }
  }
  return n;
}

String DecodeShortString(const uint8_t* Bytes, uint32_t Len) {
  const auto& dec = ShortStringDecodeTable();
  String s(Len, Char(0));
  for (uint32_t k = 0; k < Len; ++k) s[k] = dec[Bytes[k]];
  return s;
}

const std::array<uint8_t, 256>& SortRankTable() noexcept {
  static const std::array<uint8_t, 256> table = [] {
    const auto& dec = ShortStringDecodeTable();
    std::array<Char, 256> weight{};
    for (size_t b = 0; b < 256; ++b) {
      Char c = dec[b];
      if (c >= 'A' && c <= 'Z') c = static_cast<Char>(c + ('a' - 'A'));
      weight[b] = c;
    }
    std::vector<Char> distinct(weight.begin(), weight.end());
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    std::array<uint8_t, 256> t{};
    for (size_t b = 0; b < 256; ++b)
      t[b] = static_cast<uint8_t>(std::lower_bound(distinct.begin(), distinct.end(), weight[b]) -
                                  distinct.begin());
    return t;
  }();
  return table;
}

}  // namespace zel::internal
