// Delimited text (RFC 4180) as the zel tool reads and writes it: a field in
// double quotes may hold the delimiter, doubled quotes and line breaks.
//
// CsvReader is the one reader of `zel grid` and `zel fmat from-csv`. It works
// on bytes, so any encoding passes through; what the bytes mean is the
// caller's business. Its cost is one pass over the bytes it reads: nothing is
// kept per record or per field unless the caller keeps it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zel/runtime/types.h"

namespace zel_tool {

// What a record was, beside its fields.
struct CsvRecord {
  int64_t line = 0;        // line number of its first line (from 1)
  std::string_view eol;    // "\n", "\r\n", "\r" (see CsvReader), or "" at the end
  bool irregular = false;  // text after a closing quote, or a quote never closed
};

// Reads records from a text held by the caller. A quote opens a quoted field
// only at the start of a field; inside it a doubled quote stands for one, and
// the delimiter, CR and LF are ordinary bytes; an unclosed quote runs to the
// end of the text. A record ends at LF or CR LF; a lone CR is a byte of the
// field, or, with `lone_cr_ends`, ends the record too (text files of old
// systems). Without a delimiter every record is one field.
class CsvReader {
 public:
  CsvReader(std::string_view text, std::optional<char> delim, bool lone_cr_ends = false)
      : s_(text),
        delim_(delim.value_or('\0')),
        has_delim_(delim.has_value()),
        lone_cr_ends_(lone_cr_ends) {}

  bool AtEnd() const { return pos_ >= s_.size(); }
  // The number of the line the next record starts on (from 1).
  int64_t Line() const { return line_; }

  // Reads the next record and calls on_field(std::string_view bytes, bool
  // quoted) for each of its fields, in order (at least one); `bytes` is valid
  // during the call only. Call only when !AtEnd().
  template <class OnField>
  CsvRecord Next(OnField&& on_field);

  // The same into `out` (cleared first).
  struct Field {
    std::string bytes;
    bool quoted = false;
  };
  CsvRecord Next(std::vector<Field>& out) {
    out.clear();
    return Next([&out](std::string_view b, bool q) { out.push_back({std::string(b), q}); });
  }

 private:
  std::string_view s_;
  char delim_;
  bool has_delim_;
  bool lone_cr_ends_;
  size_t pos_ = 0;
  int64_t line_ = 1;
  std::string field_;
};

template <class OnField>
CsvRecord CsvReader::Next(OnField&& on_field) {
  CsvRecord rec;
  rec.line = line_;
  field_.clear();
  bool quoted = false, at_start = true;
  while (pos_ < s_.size()) {
    const char ch = s_[pos_];
    if (at_start && ch == '"') {
      quoted = true;
      at_start = false;
      ++pos_;
      bool closed = false;
      while (pos_ < s_.size()) {
        const char q = s_[pos_++];
        if (q == '"') {
          if (pos_ < s_.size() && s_[pos_] == '"') {
            field_ += '"';
            ++pos_;
          } else {
            closed = true;
            break;
          }
        } else {
          if (q == '\n') ++line_;
          field_ += q;
        }
      }
      if (!closed) rec.irregular = true;
      continue;
    }
    if (has_delim_ && ch == delim_) {
      on_field(std::string_view(field_), quoted);
      field_.clear();
      quoted = false;
      at_start = true;
      ++pos_;
      continue;
    }
    const bool crlf = ch == '\r' && pos_ + 1 < s_.size() && s_[pos_ + 1] == '\n';
    if (ch == '\n' || crlf || (ch == '\r' && lone_cr_ends_)) {
      rec.eol = ch == '\n' ? std::string_view("\n")
                : crlf     ? std::string_view("\r\n")
                           : std::string_view("\r");
      pos_ += rec.eol.size();
      ++line_;
      break;
    }
    if (quoted) rec.irregular = true;  // text after the closing quote
    field_ += ch;
    at_start = false;
    ++pos_;
  }
  on_field(std::string_view(field_), quoted);
  return rec;
}

// The delimiter of a table to import, among "," ";" tab and "|": the one
// that splits the first records (up to kDelimiterSample, blank lines left
// out) most consistently into the same number of fields, at least two;
// quoted fields are read as such, so what they hold never counts. Ties go to
// the larger field count, then to the order above. Records end at a lone CR
// too, as they do for an import. Empty when none splits
// the records (a table of one column). Costs one pass per candidate over the
// sampled records.
inline constexpr int kDelimiterSample = 100;
std::optional<char> DetectImportDelimiter(std::string_view text);

// How a delimiter is shown in messages: comma, semicolon, tab, blank, none,
// or the character in double quotes.
std::string DelimiterName(std::optional<char> delim);

// The value of the delimiter option `option` ("--delim", "--delimiter"): one
// single-byte character other than a quote, CR or LF, or "tab"; UsageError
// (naming the option) otherwise.
char ParseDelimiter(const char* option, const std::string& value);

// The cell budget of tables the tool builds in memory (see --max-cells).
inline constexpr int64_t kDefaultMaxCells = 50'000'000;
// The value of a --max-cells option (a positive integer); UsageError otherwise.
int64_t ParseMaxCells(const std::optional<std::string>& option);
// True when `rows` rows of `columns` columns, each column costing
// `column_cells` cells more, stay within `max_cells` (no overflow).
inline bool WithinCells(int64_t rows, int64_t columns, int64_t column_cells, int64_t max_cells) {
  return columns <= max_cells / (rows + column_cells);
}

// Joins fields with Delim, quoting those that hold the delimiter, a quote or
// a line break.
zel::String JoinFields(const std::vector<zel::String>& fields, char16_t delim);

}  // namespace zel_tool
