#include "csv.h"

namespace zel_tool {

std::vector<zel::String> SplitFields(const zel::String& line, char16_t delim) {
  std::vector<zel::String> out;
  zel::String field;
  bool quoted = false, was_quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char16_t ch = line[i];
    if (quoted) {
      if (ch == u'"') {
        if (i + 1 < line.size() && line[i + 1] == u'"') {
          field += u'"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        field += ch;
      }
    } else if (ch == u'"' && field.empty() && !was_quoted) {
      quoted = was_quoted = true;
    } else if (ch == delim) {
      out.push_back(field);
      field.clear();
      was_quoted = false;
    } else {
      field += ch;
    }
  }
  out.push_back(field);
  return out;
}

bool EndsInsideQuotes(const zel::String& text, char16_t delim) {
  bool quoted = false, at_start = true;
  for (const char16_t ch : text) {
    if (quoted) {
      // A doubled quote closes and reopens: the state comes out right.
      if (ch == u'"') quoted = false;
    } else if (ch == u'"' && at_start) {
      quoted = true;
      at_start = false;
    } else {
      at_start = ch == delim || ch == u'\n';
    }
  }
  return quoted;
}

zel::String JoinFields(const std::vector<zel::String>& fields, char16_t delim) {
  zel::String out;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += delim;
    const zel::String& f = fields[i];
    if (f.find_first_of(zel::String{delim, u'"', u'\r', u'\n'}) != zel::String::npos) {
      out += u'"';
      for (char16_t ch : f) {
        if (ch == u'"') out += u'"';
        out += ch;
      }
      out += u'"';
    } else {
      out += f;
    }
  }
  return out;
}

}  // namespace zel_tool
