#include "zel/stringl/numformat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

#include "zel/runtime/realstr.h"
#include "zel/stringl/strediting.h"

namespace zel {

namespace {

constexpr long double kLn10 = 2.302585092994046L;

int32_t ClampWidth(int64_t w) {
  return static_cast<int32_t>(std::clamp<int64_t>(w, INT32_MIN, INT32_MAX));
}

}  // namespace

String strff(long double Value, int32_t Width, int32_t Decimals) {
  const int64_t aw = Width < 0 ? -static_cast<int64_t>(Width) : Width;
  String s;
  if (std::isnan(Value) || std::isinf(Value)) {
    // No exponent to shorten: the text fills |Width| as a finite one would.
    return StrReal(Value, ClampWidth(aw), Decimals);
  }
  if (Decimals == -2) {
    s = StrReal(Value, ClampWidth(aw + 2), -2);
    const size_t e = s.find(u'E');
    if (e != String::npos && s.size() == e + 6) {
      const bool two_digits = s[e + 2] == u'0' && s[e + 3] == u'0';
      s.erase(e + 2, 2);
      if (!two_digits) s.assign(s.size(), u'*');
    }
  } else {
    s = StrReal(Value, ClampWidth(aw), Decimals);
  }
  if (Width < 0) {
    size_t i = 0;
    while (i < s.size() && s[i] == u' ') s[i++] = u'0';
    if (i < s.size() && s[i] == u'-') {
      s[i] = u'0';
      s[0] = u'-';
    }
  }
  return s;
}

String strffForcePlus(long double Value, int32_t Width, int32_t Decimals) {
  String s = strff(Value, Width, Decimals);
  if (Value < 0) return s;
  if (!s.empty() && s[0] == u' ') {
    const size_t last_blank = s.find_first_not_of(u' ');
    s[(last_blank == String::npos ? s.size() : last_blank) - 1] = u'+';
  } else if (s.size() >= 2 && s[0] == u'0' && s[1] != u'.') {
    s[0] = u'+';
  } else {
    s.insert(s.begin(), u'+');
  }
  return s;
}

String FormatData(double Value, int32_t Width, int32_t Decimals) {
  static constexpr double kUpper[9] = {999999999, 9999999.9, 999999.99, 99999.999, 9999.9999,
                                       999.99999, 99.999999, 9.9999999, 0.99999999};
  static constexpr double kLower[9] = {1, 0.1, 0.01, 0.001, 0.0001, 1e-05, 1e-06, 1e-07, 1e-08};
  if (Decimals >= 0 && Decimals <= 8) {
    const double a = std::fabs(Value);
    if (a <= kUpper[Decimals] && (a >= kLower[Decimals] || Value == 0))
      return StrReal(Value, Width, Decimals);
  }
  return strff(Value, ClampWidth(int64_t{Width} + 6), -2);
}

String SigDigStr(double Value, int32_t Width, int32_t Sig) {
  if (Value == 0) return StrReal(Value, Width, Sig >= 1 ? Sig - 1 : 0);
  const int32_t xw = ClampWidth(std::max<int64_t>(Width, int64_t{Sig} + 6));
  if (!std::isfinite(Value)) return strff(Value, xw, -2);
  // Between -4951 and 4933 for every finite non-zero double.
  const int64_t e = static_cast<int64_t>(
      std::floor(std::log(std::fabs(static_cast<long double>(Value))) / kLn10 + 1));
  if (Sig < e) {
    if (e > int64_t{Width} - 1) return strff(Value, xw, -2);
    return StrReal(Value, Width, 0);
  }
  if (e < int64_t{Sig} - Width + 3) return strff(Value, xw, -2);
  return StrReal(Value, Width, static_cast<int32_t>(std::min<int64_t>(Sig - e, INT32_MAX)));
}

String SigDigStr(double Value, int32_t Width, int32_t Sig, bool Trim) {
  String s = SigDigStr(Value, Width, Sig);
  return Trim ? StripLTBlanks(s) : s;
}

String AutoFormatData(double Value, int32_t Sig) {
  Sig = std::clamp(Sig, 2, 16);
  String t;
  if (Value == 0) {
    t = strff(Value, 1, Sig - 1);
  } else {
    // The full-precision ln 10, not SigDigStr's shortened constant: with that
    // one an exact power of ten lands just below its integral logarithm and
    // gets one digit too many (10 with 3 digits would give "10.00").
    const double lg =
        static_cast<double>(std::log(std::fabs(static_cast<long double>(Value))) / std::log(10.0L));
    if (lg >= Sig - 1 || lg <= -1 || std::isnan(lg))
      t = strff(Value, Sig + 6, -2);
    else
      t = strff(Value, 1, Sig - 1 - static_cast<int32_t>(std::trunc(lg)));
  }
  return StripLTBlanks(t);
}

String AutoFormatData(double Value, int32_t Sig, bool Comma) {
  String s = AutoFormatData(Value, Sig);
  if (Comma) std::replace(s.begin(), s.end(), u'.', u',');
  return s;
}

String IntToStrGrouped(int64_t Value, Char Separator) {
  uint64_t mag = Value < 0 ? 0 - static_cast<uint64_t>(Value) : static_cast<uint64_t>(Value);
  Char buf[32];
  int n = 0, digits = 0;
  do {
    if (digits > 0 && digits % 3 == 0) buf[n++] = Separator;
    buf[n++] = static_cast<Char>(u'0' + mag % 10);
    mag /= 10;
    ++digits;
  } while (mag != 0);
  if (Value < 0) buf[n++] = u'-';
  return String(std::reverse_iterator<Char*>(buf + n), std::reverse_iterator<Char*>(buf));
}

String BinString(bool Flag, const String& IfTrue, const String& IfFalse) {
  return Flag ? IfTrue : IfFalse;
}

String BoolToStr(bool Flag, int32_t Style) {
  static constexpr const char16_t* kWords[8][2] = {
      {u"TRUE", u"FALSE"}, {u"T", u"F"},   {u".T.", u".F."}, {u"1", u"0"},
      {u"-1", u"0"},       {u"FF", u"00"}, {u"YES", u"NO"},  {u"GOOD", u"BAD"}};
  if (Style < 0 || Style > 7) Style = 0;
  return kWords[Style][Flag ? 0 : 1];
}

String TimeString(double Seconds, uint8_t Format) {
  constexpr double kMaxSeconds = 3.6e15;
  if (!(Seconds >= 0)) Seconds = 0;
  if (Seconds > kMaxSeconds) Seconds = kMaxSeconds;
  // The shortest decimal text that reads back as Seconds is the value the
  // caller wrote (4.35, not 4.3499999999999996447...): whole seconds and
  // hundredths are cut from that text, so 4.35 shows .35 and 4.359 too.
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, Seconds, std::chars_format::fixed);
  const std::string_view text(buf, static_cast<size_t>(res.ptr - buf));
  const size_t point = std::min(text.find('.'), text.size());
  int64_t whole = 0;
  for (size_t i = 0; i < point; ++i) whole = whole * 10 + (text[i] - '0');
  int64_t c = 0;
  for (size_t i = point + 1; i < point + 3; ++i) c = c * 10 + (i < text.size() ? text[i] - '0' : 0);
  const int64_t h = whole / 3600;
  const int64_t m = whole % 3600 / 60;
  const int64_t s = whole % 60;
  auto two = [](int64_t v) {
    String t = StrReal(static_cast<long double>(v), 2, 0);
    if (t[0] == u' ') t[0] = u'0';
    return t;
  };
  auto padded = [](int64_t v) { return StrReal(static_cast<long double>(v), 2, 0); };
  switch (Format) {
    case 0:
      return two(h) + u':' + two(m) + u':' + two(s) + u'.' + two(c);
    case 1:
      return two(h) + u':' + two(m) + u':' + two(s);
    case 2:
      return padded(h) + u'h' + two(m);
    case 3:
      return padded(h) + u'h' + two(m) + u'\'' + two(s) + u'"';
    case 4:
      return two(h) + u':' + two(m);
    case 5: {
      const int64_t h12 = h == 0 ? 12 : (h >= 13 ? h - 12 : h);
      return padded(h12) + u':' + two(m) + (h <= 11 ? u'a' : u'p');
    }
    default:
      return String();
  }
}

String SortableNumericString(const String& Text, Char DecimalChar, int32_t Column) {
  String t = StripLTBlanks(Text);
  const size_t f = t.find(DecimalChar);
  const int64_t p = f == String::npos ? 0 : static_cast<int64_t>(f) + 1;
  const int64_t column = std::min<int32_t>(Column, 4096);
  if (p < column) t.insert(0, static_cast<size_t>(column - p), u' ');
  return t;
}

}  // namespace zel
