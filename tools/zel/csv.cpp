#include "csv.h"

#include <algorithm>
#include <charconv>

#include "command.h"

namespace zel_tool {

namespace {

// How consistently one delimiter splits the sampled records.
struct Split {
  size_t records = 0;   // records sampled (blank lines left out)
  size_t agreeing = 0;  // records with the most common field count
  size_t fields = 0;    // that count
};

Split TrySplit(std::string_view text, char delim) {
  CsvReader rd(text, delim, true);
  std::vector<size_t> counts;
  while (!rd.AtEnd() && counts.size() < static_cast<size_t>(kDelimiterSample)) {
    size_t fields = 0;
    bool blank = true;
    rd.Next([&](std::string_view bytes, bool quoted) {
      ++fields;
      if (!bytes.empty() || quoted) blank = false;
    });
    if (fields > 1 || !blank) counts.push_back(fields);
  }
  Split s;
  s.records = counts.size();
  std::sort(counts.begin(), counts.end());
  for (size_t i = 0; i < counts.size();) {
    size_t j = i;
    while (j < counts.size() && counts[j] == counts[i]) ++j;
    if (j - i >= s.agreeing) {  // ascending: equal runs go to the larger count
      s.agreeing = j - i;
      s.fields = counts[i];
    }
    i = j;
  }
  return s;
}

}  // namespace

std::optional<char> DetectImportDelimiter(std::string_view text) {
  std::optional<char> best;
  Split best_split;
  for (const char cand : {',', ';', '\t', '|'}) {
    const Split s = TrySplit(text, cand);
    if (s.fields < 2) continue;
    if (best) {
      // Compare the shares of agreeing records, then the field counts.
      const size_t mine = s.agreeing * best_split.records;
      const size_t theirs = best_split.agreeing * s.records;
      if (mine < theirs || (mine == theirs && s.fields <= best_split.fields)) continue;
    }
    best = cand;
    best_split = s;
  }
  return best;
}

std::string DelimiterName(std::optional<char> delim) {
  if (!delim) return "none";
  switch (*delim) {
    case ',':
      return "comma";
    case ';':
      return "semicolon";
    case '\t':
      return "tab";
    case ' ':
      return "blank";
    default:
      return std::string("\"") + *delim + "\"";
  }
}

char ParseDelimiter(const char* option, const std::string& value) {
  if (value == "tab" || value == "\\t") return '\t';
  if (value.size() != 1 || value[0] == '"' || value[0] == '\r' || value[0] == '\n')
    Fail(std::string(option) + " takes one single-byte character (not a quote) or \"tab\"");
  return value[0];
}

int64_t ParseMaxCells(const std::optional<std::string>& option) {
  if (!option) return kDefaultMaxCells;
  int64_t v = 0;
  const char* end = option->data() + option->size();
  const auto r = std::from_chars(option->data(), end, v);
  if (option->empty() || r.ec != std::errc() || r.ptr != end || v < 1)
    Fail("--max-cells takes a positive number of cells, not '" + *option + "'");
  return v;
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
