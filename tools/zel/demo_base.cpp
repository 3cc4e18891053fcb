// `zel demo` section: the foundation (constants, language tables, modules).
#include <ostream>
#include <string>

#include "command.h"
#include "zel/zel.h"

namespace {

std::string U8(std::u16string_view s) { return zel::StringToUtf8(zel::String(s)); }

void DemoBase(std::ostream& out) {
  out << "uc_e = " << U8(zel::FloatToStr(zel::uc_e))
      << ", ln(1000!) = " << U8(zel::FloatToStr(zel::uc_LnFactorial[1000])) << "\n";
  out << "May in German: " << U8(zel::MonthLong[zel::lgGerman][5])
      << ", Thursday in French: " << U8(zel::WeekDayLong[zel::lgFrench][4])
      << ", twelve in Spanish: " << U8(zel::NumWords[zel::lgSpanish][12]) << "\n";
  out << "delimiter ';' is \"" << U8(zel::CSVDELIMITERIDS[zel::ResolveCSVDelimiter(u';')])
      << "\"\n";
  out << "modules started:";
  for (const auto& name : zel::ModuleStartOrder()) out << " " << name;
  out << "\n";
}

}  // namespace

ZEL_TOOL_DEMO(10, "Foundation: constants, language tables, module start-up", DemoBase);
