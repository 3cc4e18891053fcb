// Fuzzes the runtime's text conversions: number parsing (StrToFloat, Val,
// StrToInt), number formatting round trips, date formatting with arbitrary
// patterns, case folding and string-list text splitting.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "zel/runtime/exception.h"
#include "zel/runtime/stringlist.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"
#include "zel/runtime/variant.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const zel::String s = zel::DecodeText8(bytes);

  long double v = 0;
  int code = 0;
  zel::Val(s, v, code);
  if (code < 0 || code > static_cast<int>(s.size()) + 1) std::abort();
  if (code != 0 && v != 0) std::abort();

  long double f = 0;
  if (zel::TryStrToFloat(s, f)) {
    // What FloatToStr writes, StrToFloat reads back.
    long double back = 0;
    if (!zel::TryStrToFloat(zel::FloatToStr(f), back)) std::abort();
    if (std::isfinite(f) && f != 0 && std::fabs((back - f) / f) > 1e-14L) std::abort();
  }
  try {
    (void)zel::StrToInt(s);
  } catch (const zel::EConvertError&) {
  }
  try {
    (void)zel::Variant(s).AsInt64();
  } catch (const zel::EVariantError&) {
  }

  if (zel::AnsiUpperCase(s).size() != s.size() || zel::AnsiLowerCase(s).size() != s.size())
    std::abort();

  try {
    (void)zel::FormatDateTime(s, 46364.5123);
    (void)zel::FormatDateTime(s, -693593.25);
  } catch (const zel::EConvertError&) {
    std::abort();  // the dates are valid: formatting never fails
  }

  zel::TStringList list;
  list.SetText(s);
  zel::TStringList again;
  again.SetText(list.Text());
  if (again.Count() != list.Count()) std::abort();
  for (int i = 0; i < list.Count(); ++i)
    if (again[i] != list[i]) std::abort();
  return 0;
}
