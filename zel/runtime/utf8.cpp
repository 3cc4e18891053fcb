#include "zel/runtime/utf8.h"

#include "zel/platform/internal/put_utf8.h"

namespace zel {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Windows-1252 codes 0x80..0x9F; the five undefined ones keep their C1 value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Decodes one UTF-8 sequence at s[i]; returns the code point or -1 and sets
// `len` to the bytes consumed (at least 1).
long DecodeOne(std::string_view s, size_t i, size_t& len) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  len = 1;
  if (b0 < 0x80) return b0;
  int need;
  unsigned long cp;
  unsigned char lo = 0x80, hi = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;  // no surrogates
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    cp = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return -1;
  }
  for (int k = 0; k < need; ++k) {
    if (i + len >= s.size()) return -1;
    const auto b = static_cast<unsigned char>(s[i + len]);
    if (b < lo || b > hi) return -1;
    lo = 0x80;
    hi = 0xBF;
    cp = (cp << 6) | (b & 0x3F);
    ++len;
  }
  return static_cast<long>(cp);
}

void AppendCodePoint(String& out, unsigned long cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

}  // namespace

String Utf8ToString(std::string_view Utf8) {
  String out;
  out.reserve(Utf8.size());
  size_t i = 0;
  while (i < Utf8.size()) {
    size_t len;
    const long cp = DecodeOne(Utf8, i, len);
    if (cp < 0) {
      out.push_back(kReplacement);
    } else {
      AppendCodePoint(out, static_cast<unsigned long>(cp));
    }
    i += len;
  }
  return out;
}

std::string StringToUtf8(const String& S) {
  std::string out;
  out.reserve(S.size());
  for (size_t i = 0; i < S.size(); ++i) {
    unsigned long cp = S[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < S.size() && S[i + 1] >= 0xDC00 &&
        S[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (S[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    platform::internal::PutUtf8(out, static_cast<char32_t>(cp));
  }
  return out;
}

bool IsValidUtf8(std::string_view Bytes) {
  size_t i = 0;
  while (i < Bytes.size()) {
    if (static_cast<unsigned char>(Bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    size_t len;
    if (DecodeOne(Bytes, i, len) < 0) return false;
    i += len;
  }
  return true;
}

String BytesToString(std::string_view Bytes) {
  String out(Bytes.size(), u'\0');
  for (size_t i = 0; i < Bytes.size(); ++i) out[i] = static_cast<unsigned char>(Bytes[i]);
  return out;
}

std::string StringToBytes(const String& S) {
  std::string out(S.size(), '\0');
  for (size_t i = 0; i < S.size(); ++i) out[i] = static_cast<char>(S[i] & 0xFF);
  return out;
}

String Cp1252ToString(std::string_view Bytes) {
  String out(Bytes.size(), u'\0');
  for (size_t i = 0; i < Bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(Bytes[i]);
    out[i] = (b >= 0x80 && b <= 0x9F) ? kCp1252High[b - 0x80] : b;
  }
  return out;
}

std::string StringToCp1252(const String& S) {
  std::string out;
  out.reserve(S.size());
  for (const char16_t c : S) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    char mapped = '?';
    for (int k = 0; k < 32; ++k) {
      if (kCp1252High[k] == c) {
        mapped = static_cast<char>(0x80 + k);
        break;
      }
    }
    out.push_back(mapped);
  }
  return out;
}

String DecodeText8(std::string_view Bytes) {
  return IsValidUtf8(Bytes) ? Utf8ToString(Bytes) : Cp1252ToString(Bytes);
}

}  // namespace zel
