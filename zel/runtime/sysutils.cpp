#include "zel/runtime/sysutils.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>

#include "zel/platform/localtime.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/internal/casemap_table.h"
#include "zel/runtime/internal/decimal_text.h"

namespace zel {

String IntToStr(int64_t Value) {
  char16_t buf[24];
  int n = 0;
  uint64_t mag = Value < 0 ? 0 - static_cast<uint64_t>(Value) : static_cast<uint64_t>(Value);
  do {
    buf[n++] = static_cast<char16_t>(u'0' + mag % 10);
    mag /= 10;
  } while (mag != 0);
  String out;
  out.reserve(static_cast<size_t>(n) + 1);
  if (Value < 0) out.push_back(u'-');
  while (n > 0) out.push_back(buf[--n]);
  return out;
}

int32_t StrToInt(const String& S) {
  auto fail = [&]() -> int32_t {
    throw EConvertError(u"\"" + S + u"\" is not a valid integer value");
  };
  size_t i = 0;
  while (i < S.size() && S[i] == u' ') ++i;
  bool neg = false;
  if (i < S.size() && (S[i] == u'-' || S[i] == u'+')) neg = S[i++] == u'-';
  int base = 10;
  if (i < S.size() && S[i] == u'$') {
    base = 16;
    ++i;
  } else if (i + 1 < S.size() && S[i] == u'0' && (S[i + 1] == u'x' || S[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  if (i >= S.size()) return fail();
  int64_t v = 0;
  for (; i < S.size(); ++i) {
    const Char c = S[i];
    int d;
    if (c >= u'0' && c <= u'9')
      d = c - u'0';
    else if (base == 16 && c >= u'a' && c <= u'f')
      d = c - u'a' + 10;
    else if (base == 16 && c >= u'A' && c <= u'F')
      d = c - u'A' + 10;
    else
      return fail();
    v = v * base + d;
    if (v > (base == 16 ? 0xFFFFFFFFll : 0x80000000ll)) return fail();
  }
  if (base == 16) {
    const auto u = static_cast<uint32_t>(v);
    int32_t r = static_cast<int32_t>(u);
    return neg ? static_cast<int32_t>(0u - u) : r;
  }
  if (neg) return static_cast<int32_t>(-v);
  if (v > 0x7FFFFFFF) return fail();
  return static_cast<int32_t>(v);
}

String IntToHex(int64_t Value, int Digits) {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  uint64_t u = static_cast<uint64_t>(Value);
  String out;
  do {
    out.insert(out.begin(), kHex[u & 15]);
    u >>= 4;
  } while (u != 0);
  if (Digits > 32) Digits = 32;
  if (static_cast<int>(out.size()) < Digits)
    out.insert(0, static_cast<size_t>(Digits) - out.size(), u'0');
  return out;
}

namespace {
int64_t CheckedToInt64(long double r) {
  // [-2^63, 2^63) is exactly representable in long double.
  if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L))
    throw EIntOverflow(u"Integer overflow");
  return static_cast<int64_t>(r);
}
}  // namespace

int64_t Round(long double X) {
  if (!std::isfinite(X)) throw EIntOverflow(u"Integer overflow");
  long double r = std::nearbyint(X);  // default rounding mode: halves to even
  return CheckedToInt64(r);
}

int64_t Trunc(long double X) {
  if (!std::isfinite(X)) throw EIntOverflow(u"Integer overflow");
  return CheckedToInt64(std::trunc(X));
}

long double Frac(long double X) { return X - std::trunc(X); }

Char LowerCaseChar(Char C) { return (C >= u'A' && C <= u'Z') ? static_cast<Char>(C + 32) : C; }
Char UpperCaseChar(Char C) { return (C >= u'a' && C <= u'z') ? static_cast<Char>(C - 32) : C; }

String LowerCase(const String& S) {
  String out(S);
  for (auto& c : out) c = LowerCaseChar(c);
  return out;
}

String UpperCase(const String& S) {
  String out(S);
  for (auto& c : out) c = UpperCaseChar(c);
  return out;
}

// ---- floating-point text ----------------------------------------------------

TFormatSettings FormatSettings;

namespace {

bool IsDigit(Char c) { return c >= u'0' && c <= u'9'; }

// Scans the number grammar shared by StrToFloat and Val from position i.
// On success returns true, appends the ASCII form ("." as point) to `ascii`
// and leaves i after the last character used. On failure i is the index of
// the first character that does not fit (S.size() when the text ended).
bool ScanNumber(const String& S, size_t& i, Char Separator, std::string& ascii) {
  if (i < S.size() && (S[i] == u'+' || S[i] == u'-')) {
    if (S[i] == u'-') ascii.push_back('-');
    ++i;
  }
  size_t digits = 0;
  while (i < S.size() && IsDigit(S[i])) {
    ascii.push_back(static_cast<char>(S[i++]));
    ++digits;
  }
  if (i < S.size() && S[i] == Separator) {
    ascii.push_back('.');
    ++i;
    while (i < S.size() && IsDigit(S[i])) {
      ascii.push_back(static_cast<char>(S[i++]));
      ++digits;
    }
  }
  if (digits == 0) return false;
  if (i < S.size() && (S[i] == u'e' || S[i] == u'E')) {
    ascii.push_back('e');
    ++i;
    if (i < S.size() && (S[i] == u'+' || S[i] == u'-')) ascii.push_back(static_cast<char>(S[i++]));
    if (i >= S.size() || !IsDigit(S[i])) return false;
    while (i < S.size() && IsDigit(S[i])) ascii.push_back(static_cast<char>(S[i++]));
  }
  return true;
}

// Converts a validated ASCII number with the C locale, whatever the process
// locale says. False when the value lies beyond the extended range.
bool ConvertAscii(const std::string& ascii, long double& value) {
  long double v = 0;
  if (!internal::DecimalTextToFloat(ascii, v) || std::isinf(v)) return false;
  value = v;
  return true;
}

}  // namespace

bool TryStrToFloat(const String& S, long double& Value, const TFormatSettings& Settings) {
  Value = 0;
  size_t i = 0;
  while (i < S.size() && S[i] == u' ') ++i;
  std::string ascii;
  if (!ScanNumber(S, i, Settings.DecimalSeparator, ascii)) return false;
  while (i < S.size() && S[i] == u' ') ++i;
  if (i != S.size()) return false;
  long double v;
  if (!ConvertAscii(ascii, v)) return false;
  Value = v;
  return true;
}

bool TryStrToFloat(const String& S, long double& Value) {
  return TryStrToFloat(S, Value, FormatSettings);
}

long double StrToFloat(const String& S, const TFormatSettings& Settings) {
  long double v;
  if (!TryStrToFloat(S, v, Settings))
    throw EConvertError(u"\"" + S + u"\" is not a valid floating point value");
  return v;
}

long double StrToFloat(const String& S) { return StrToFloat(S, FormatSettings); }

String FloatToStr(long double Value, const TFormatSettings& Settings) {
  if (std::isnan(Value)) return u"NAN";
  if (std::isinf(Value)) return Value < 0 ? u"-INF" : u"INF";
  if (Value == 0) return u"0";
  constexpr int kDigits = 15;
  // d.dddddddddddddde[+-]x, rounded to 15 significant digits.
  char buf[64];
  const auto res =
      std::to_chars(buf, buf + sizeof buf, Value, std::chars_format::scientific, kDigits - 1);
  const std::string sci(buf, res.ptr);
  const size_t epos = sci.find('e');
  const bool negative = sci[0] == '-';
  std::string mant = sci.substr(negative ? 1 : 0, epos - (negative ? 1 : 0));
  mant.erase(1, 1);  // drop the point: kDigits digits remain
  const int exp10 = std::atoi(sci.c_str() + epos + 1);
  while (mant.size() > 1 && mant.back() == '0') mant.pop_back();
  String out;
  if (negative) out.push_back(u'-');
  const int ndig = static_cast<int>(mant.size());
  if (exp10 >= kDigits || exp10 < -4) {
    out.push_back(static_cast<Char>(mant[0]));
    if (ndig > 1) {
      out.push_back(Settings.DecimalSeparator);
      for (int k = 1; k < ndig; ++k) out.push_back(static_cast<Char>(mant[static_cast<size_t>(k)]));
    }
    out.push_back(u'E');
    out += IntToStr(exp10);
  } else if (exp10 < 0) {
    out += u"0";
    out.push_back(Settings.DecimalSeparator);
    out.append(static_cast<size_t>(-exp10 - 1), u'0');
    for (char c : mant) out.push_back(static_cast<Char>(c));
  } else {
    for (int k = 0; k <= exp10; ++k)
      out.push_back(k < ndig ? static_cast<Char>(mant[static_cast<size_t>(k)]) : u'0');
    if (ndig > exp10 + 1) {
      out.push_back(Settings.DecimalSeparator);
      for (int k = exp10 + 1; k < ndig; ++k)
        out.push_back(static_cast<Char>(mant[static_cast<size_t>(k)]));
    }
  }
  return out;
}

String FloatToStr(long double Value) { return FloatToStr(Value, FormatSettings); }

void Val(const String& S, long double& Value, int& Code) {
  Value = 0;
  size_t i = 0;
  while (i < S.size() && S[i] == u' ') ++i;
  const size_t start = i;
  std::string ascii;
  if (!ScanNumber(S, i, u'.', ascii) || i != S.size()) {
    Code = static_cast<int>(std::min<size_t>(i, 0x7FFFFFFE)) + 1;
    return;
  }
  long double v;
  if (!ConvertAscii(ascii, v)) {
    Code = static_cast<int>(std::min<size_t>(start, 0x7FFFFFFE)) + 1;
    return;
  }
  Value = v;
  Code = 0;
}

// ---- locale-aware case folding ----------------------------------------------

namespace {
template <size_t N>
Char MapCase(const internal::CaseMapPair (&table)[N], Char c) {
  const auto* end = table + N;
  const auto* it = std::lower_bound(
      table, end, c, [](const internal::CaseMapPair& p, Char key) { return p.from < key; });
  return (it != end && it->from == c) ? static_cast<Char>(it->to) : c;
}
}  // namespace

Char AnsiUpperCaseChar(Char C) {
  if (C < 0x80) return UpperCaseChar(C);
  return MapCase(internal::kUpperCaseMap, C);
}

Char AnsiLowerCaseChar(Char C) {
  if (C < 0x80) return LowerCaseChar(C);
  return MapCase(internal::kLowerCaseMap, C);
}

String AnsiUpperCase(const String& S) {
  String out(S);
  for (auto& c : out) c = AnsiUpperCaseChar(c);
  return out;
}

String AnsiLowerCase(const String& S) {
  String out(S);
  for (auto& c : out) c = AnsiLowerCaseChar(c);
  return out;
}

// ---- dates and times --------------------------------------------------------

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Day numbers (days since 1899-12-30) of 0001-01-01 and 10000-01-01.
constexpr int64_t kMinDay = -693593;
constexpr int64_t kMaxDayExcl = 2958466;
// 1899-12-30 counted from 1970-01-01.
constexpr int64_t kEpochShift = 25569;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const int64_t m = mp + (mp < 10 ? 3 : -9);
  year = static_cast<int>(yoe + era * 400 + (m <= 2));
  month = static_cast<int>(m);
  day = static_cast<int>(d);
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Splits a TDateTime into a day number and the millisecond of that day.
void SplitDateTime(TDateTime dt, int64_t& dayNumber, int64_t& msOfDay) {
  if (!std::isfinite(dt) || dt <= static_cast<double>(kMinDay - 1) ||
      dt >= static_cast<double>(kMaxDayExcl))
    throw EConvertError(u"Invalid date/time value");
  double whole;
  const double frac = std::modf(dt, &whole);
  int64_t day = static_cast<int64_t>(whole);
  int64_t ms = std::llround(std::fabs(frac) * static_cast<double>(kMsPerDay));
  if (ms >= kMsPerDay) {  // rounded up to the next midnight
    ms -= kMsPerDay;
    day += dt < 0 ? -1 : 1;
  }
  if (day < kMinDay || day >= kMaxDayExcl) throw EConvertError(u"Invalid date/time value");
  dayNumber = day;
  msOfDay = ms;
}

}  // namespace

TDateTime EncodeDate(int Year, int Month, int Day) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 ||
      Day > DaysInMonth(Year, Month))
    throw EConvertError(u"Invalid argument to date encode");
  return static_cast<TDateTime>(DaysFromCivil(Year, Month, Day) + kEpochShift);
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
  if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999)
    throw EConvertError(u"Invalid argument to time encode");
  const int64_t ms = ((static_cast<int64_t>(Hour) * 60 + Min) * 60 + Sec) * 1000 + MSec;
  return static_cast<TDateTime>(ms) / static_cast<TDateTime>(kMsPerDay);
}

void DecodeDate(TDateTime DateTime, int& Year, int& Month, int& Day) {
  int64_t day, ms;
  SplitDateTime(DateTime, day, ms);
  CivilFromDays(day - kEpochShift, Year, Month, Day);
}

void DecodeTime(TDateTime DateTime, int& Hour, int& Min, int& Sec, int& MSec) {
  int64_t day, ms;
  SplitDateTime(DateTime, day, ms);
  MSec = static_cast<int>(ms % 1000);
  Sec = static_cast<int>(ms / 1000 % 60);
  Min = static_cast<int>(ms / 60000 % 60);
  Hour = static_cast<int>(ms / 3600000);
}

int DayOfWeek(TDateTime DateTime) {
  int64_t day, ms;
  SplitDateTime(DateTime, day, ms);
  // Day 0 (1899-12-30) was a Saturday (7).
  return static_cast<int>(((day + 6) % 7 + 7) % 7) + 1;
}

TDateTime Now() {
  const auto now = std::chrono::system_clock::now();
  const int64_t ms_epoch =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  const std::time_t secs = static_cast<std::time_t>(ms_epoch / 1000);
  std::tm local{};
  platform::LocalTime(secs, local);
  const TDateTime date = static_cast<TDateTime>(
      DaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) + kEpochShift);
  const int64_t ms_of_day =
      (static_cast<int64_t>(local.tm_hour) * 3600 + local.tm_min * 60 + local.tm_sec) * 1000 +
      ms_epoch % 1000;
  return date + static_cast<TDateTime>(ms_of_day) / static_cast<TDateTime>(kMsPerDay);
}

namespace {

String Pad(int64_t v, size_t width) {
  String s = IntToStr(v);
  if (s.size() < width) s.insert(0, width - s.size(), u'0');
  return s;
}

bool StartsWithNoCase(const String& f, size_t i, std::u16string_view word) {
  if (f.size() - i < word.size()) return false;
  for (size_t k = 0; k < word.size(); ++k)
    if (LowerCaseChar(f[i + k]) != word[k]) return false;
  return true;
}

constexpr const char16_t* kMonthShortEn[12] = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                               u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
constexpr const char16_t* kMonthLongEn[12] = {u"January",   u"February", u"March",    u"April",
                                              u"May",       u"June",     u"July",     u"August",
                                              u"September", u"October",  u"November", u"December"};
constexpr const char16_t* kDayShortEn[7] = {u"Sun", u"Mon", u"Tue", u"Wed", u"Thu", u"Fri", u"Sat"};
constexpr const char16_t* kDayLongEn[7] = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                           u"Thursday", u"Friday", u"Saturday"};

}  // namespace

String FormatDateTime(const String& Format, TDateTime DateTime) {
  return FormatDateTime(Format, DateTime, FormatSettings);
}

String FormatDateTime(const String& Format, TDateTime DateTime, const TFormatSettings& Settings) {
  int64_t day, ms;
  SplitDateTime(DateTime, day, ms);
  int year, month, dom;
  CivilFromDays(day - kEpochShift, year, month, dom);
  const int hour = static_cast<int>(ms / 3600000);
  const int minute = static_cast<int>(ms / 60000 % 60);
  const int second = static_cast<int>(ms / 1000 % 60);
  const int msec = static_cast<int>(ms % 1000);
  const int wday = static_cast<int>(((day + 6) % 7 + 7) % 7);  // 0 = Sunday

  // A 12-hour clock is used when the pattern has an am/pm field outside quotes.
  bool twelve = false;
  {
    Char quote = 0;
    for (size_t i = 0; i < Format.size(); ++i) {
      const Char c = Format[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == u'"' || c == u'\'') {
        quote = c;
      } else if (StartsWithNoCase(Format, i, u"am/pm") || StartsWithNoCase(Format, i, u"a/p")) {
        twelve = true;
      }
    }
  }

  String out;
  bool after_hour = false;  // the last field was an hour: "m" means minutes
  size_t i = 0;
  const size_t n = Format.size();
  auto run = [&](Char letter) {
    size_t k = i;
    while (k < n && LowerCaseChar(Format[k]) == letter) ++k;
    return k - i;
  };
  while (i < n) {
    const Char c = Format[i];
    const Char lc = LowerCaseChar(c);
    if (c == u'"' || c == u'\'') {
      size_t k = i + 1;
      while (k < n && Format[k] != c) out.push_back(Format[k++]);
      i = k < n ? k + 1 : n;
      continue;
    }
    if (lc == u'a' && StartsWithNoCase(Format, i, u"am/pm")) {
      const bool upper = Format[i] == u'A';
      out += hour < 12 ? (upper ? u"AM" : u"am") : (upper ? u"PM" : u"pm");
      i += 5;
      continue;
    }
    if (lc == u'a' && StartsWithNoCase(Format, i, u"a/p")) {
      const bool upper = Format[i] == u'A';
      out += hour < 12 ? (upper ? u"A" : u"a") : (upper ? u"P" : u"p");
      i += 3;
      continue;
    }
    switch (lc) {
      case u'y': {
        const size_t len = run(u'y');
        out += len >= 3 ? Pad(year, 4) : Pad(year % 100, 2);
        i += len;
        after_hour = false;
        continue;
      }
      case u'm': {
        const size_t len = run(u'm');
        if (after_hour && len <= 2) {
          out += Pad(minute, len == 2 ? 2 : 1);
        } else if (len >= 4) {
          out += kMonthLongEn[month - 1];
        } else if (len == 3) {
          out += kMonthShortEn[month - 1];
        } else {
          out += Pad(month, len);
        }
        i += len;
        after_hour = false;
        continue;
      }
      case u'd': {
        const size_t len = run(u'd');
        if (len >= 4)
          out += kDayLongEn[wday];
        else if (len == 3)
          out += kDayShortEn[wday];
        else
          out += Pad(dom, len);
        i += len;
        after_hour = false;
        continue;
      }
      case u'h': {
        const size_t len = run(u'h');
        int h = hour;
        if (twelve) {
          h %= 12;
          if (h == 0) h = 12;
        }
        out += Pad(h, len >= 2 ? 2 : 1);
        i += len;
        after_hour = true;
        continue;
      }
      case u'n': {
        const size_t len = run(u'n');
        out += Pad(minute, len >= 2 ? 2 : 1);
        i += len;
        after_hour = false;
        continue;
      }
      case u's': {
        const size_t len = run(u's');
        out += Pad(second, len >= 2 ? 2 : 1);
        i += len;
        after_hour = false;
        continue;
      }
      case u'z': {
        const size_t len = run(u'z');
        out += Pad(msec, len >= 3 ? 3 : 1);
        i += len;
        after_hour = false;
        continue;
      }
      default:
        break;
    }
    if (c == u'/')
      out.push_back(Settings.DateSeparator);
    else if (c == u':')
      out.push_back(Settings.TimeSeparator);
    else
      out.push_back(c);
    ++i;
  }
  return out;
}

}  // namespace zel
