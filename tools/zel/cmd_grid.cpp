// zel grid: a delimited text file in a TStringArray, sorted, searched, printed.
//
//   zel grid [options] FILE              print the table (sorted with --sort)
//     --delim C        field delimiter: a character, or "tab"; default: the
//                      first of tab, ";", "," found in the first line
//     --header         the first line holds column titles (kept on top)
//     --sort C[:desc]  primary sort column (from 1), ascending unless :desc
//     --then C[:desc]  secondary sort column
//     --numeric        compare sort keys as numbers (signs, blanks, exponents;
//                      texts that are not numbers after all numbers)
//     --out FILE       write the delimited table to FILE instead of printing
//     --in-place       write it back to the input file
//     --truncate       allow writing when a field is longer than a cell holds
//                      (it is cut to 255 bytes); without it no output file
//                      is written (--out, --in-place and --xml alike)
//     --xml FILE       also save the grid in its XML form
//     --progress / --quiet   force or suppress the progress bar on standard
//                      error (shown by default from 50000 rows on)
//     --max-cells N    refuse a table of more than N cells (rows, titles
//                      included, times the widest record, each column
//                      counting 8 more); default 50000000
//   zel grid find TEXT FILE [--exact] [--case] [--delim C] [--header]
//                                        every cell containing (or equal to) TEXT
//
// The output files of a run are made in full, then put in place together:
// when one of them cannot be written, none is replaced.
//
// Files are read as RFC 4180 delimited text (quoted fields may hold the
// delimiter, doubled quotes and line breaks) and kept byte for byte: each
// byte of a field is one cell character (the Windows-1252 character of that
// byte value), so any encoding survives, and a table written back holds the
// same bytes as the input, in the sorted order: the byte order mark, each
// record's line ending, the quoting of each field, a missing final line break.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "command.h"
#include "csv.h"
#include "io.h"
#include "zel/dstruct/stringarray.h"
#include "zel/platform/scratch.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/utf8.h"

namespace {

using zel::String;
using zel::TStringArray;
using zel_tool::Args;
using zel_tool::Fail;
using zel_tool::FailFile;

constexpr int kProgressFrom = 50000;
constexpr size_t kCellBytes = 255;
// A grid column costs about as much as 8 cells (32 bytes) of its own.
constexpr int64_t kColumnCells = 8;

using Field = zel_tool::CsvReader::Field;

// One record (a line, or several when a quoted field holds line breaks).
// Kept small: a table holds one per row.
constexpr uint32_t kNoneQuoted = UINT32_MAX;
struct Record {
  int64_t line = 0;                    // line number of its first line
  std::string_view eol;                // "\n", "\r\n" or "" (end of file)
  uint32_t fields = 0;                 // field count
  uint32_t quoted_from = kNoneQuoted;  // its flags in Table::quoted, if any field was quoted
  bool irregular = false;              // text after a closing quote, or an unclosed quote
};

struct Table {
  TStringArray grid{nullptr};
  std::string name;
  bool bom = false;
  char delim = ';';
  std::vector<Field> titles;
  Record title_record;
  bool has_titles = false;
  // Indexed by record number - 1; the number travels with the row in column 0.
  std::vector<Record> records;
  std::vector<bool> quoted;    // per field of the records that have a quoted field
  int64_t overlong = 0;        // fields longer than a cell
  int64_t first_overlong = 0;  // line of the first one
};

// Byte value <-> cell character: one character per byte, any byte value.
String BytesToCell(std::string_view bytes) { return zel::Cp1252ToString(bytes); }
std::string CellToBytes(const String& cell) { return zel::StringToCp1252(cell); }

// Reads FILE ("-" = standard input, read once) into the table: record k goes
// to row k with k in column 0. A table of more than max_cells cells (rows,
// titles included, times the widest record, each column counting
// kColumnCells more) is refused before the grid is made; the first pass
// keeps one quoted flag per field at most, so a refused file costs little
// more than its bytes.
void ReadTable(const std::string& name, std::optional<char> delim, bool header, int64_t max_cells,
               Table& t) {
  t.name = name;
  std::string text = zel_tool::ReadInputOrFail(name);
  std::string_view body(text);
  if (body.substr(0, 3) == "\xEF\xBB\xBF") {
    t.bom = true;
    body.remove_prefix(3);
  }
  if (delim) {
    t.delim = *delim;
  } else {
    const std::string_view first = body.substr(0, body.find('\n'));
    t.delim = ',';
    for (char cand : {'\t', ';', ','})
      if (first.find(cand) != std::string_view::npos) {
        t.delim = cand;
        break;
      }
  }
  // First pass: the records and the widest one, so the grid is sized once.
  size_t width = 1, widest = 1;  // data records / all records
  {
    zel_tool::CsvReader rd(body, t.delim);
    std::vector<bool> flags;
    int64_t read = 0;
    // Checked as the fields come, so that one long record is refused before
    // it costs more than its bytes.
    auto check = [&](int64_t rows, size_t columns, int64_t line) {
      if (!zel_tool::WithinCells(rows, static_cast<int64_t>(columns), kColumnCells, max_cells))
        FailFile(name, "line " + std::to_string(line) + ": the table needs more than " +
                           std::to_string(max_cells) +
                           " grid cells; nothing read (--max-cells raises the limit)");
    };
    while (!rd.AtEnd()) {
      flags.clear();
      bool any_quoted = false;
      const bool titles = read == 0 && header;
      const int64_t line = rd.Line();
      Record rec;
      const zel_tool::CsvRecord r = rd.Next([&](std::string_view bytes, bool quoted) {
        flags.push_back(quoted);
        any_quoted = any_quoted || quoted;
        if (titles) t.titles.push_back({std::string(bytes), quoted});
        if (flags.size() > widest) check(read + 1, flags.size(), line);
      });
      ++read;
      rec.line = r.line;
      rec.eol = r.eol;
      rec.irregular = r.irregular;
      if (flags.size() > UINT32_MAX - 1) FailFile(name, "too many fields for a grid");
      rec.fields = static_cast<uint32_t>(flags.size());
      widest = std::max(widest, flags.size());
      check(read, widest, r.line);
      if (any_quoted) {
        if (t.quoted.size() > UINT32_MAX - 1 - flags.size())
          FailFile(name, "too many quoted fields");
        rec.quoted_from = static_cast<uint32_t>(t.quoted.size());
        t.quoted.insert(t.quoted.end(), flags.begin(), flags.end());
      }
      if (titles) {
        t.title_record = rec;
        t.has_titles = true;
      } else {
        t.records.push_back(rec);
        width = std::max(width, flags.size());
      }
    }
  }
  const auto rows = static_cast<int64_t>(t.records.size());
  if (rows > INT32_MAX - 1) FailFile(name, "too many records for a grid");
  if (width > static_cast<size_t>(INT32_MAX - 2)) FailFile(name, "too many fields for a grid");
  // The row capacity is the record count: one allocation, no spare rows.
  t.grid.SetAllocRowsBy(static_cast<int32_t>(std::max<int64_t>(rows, 1)));
  if (!t.grid.Resize(static_cast<int32_t>(width), static_cast<int32_t>(std::max<int64_t>(rows, 1))))
    FailFile(name, "not enough memory for a grid of " + std::to_string(rows) + " rows");
  // Second pass: the cells (a new grid's cells are empty already).
  zel_tool::CsvReader rd(body, t.delim);
  if (header && !rd.AtEnd()) rd.Next([](std::string_view, bool) {});
  for (int32_t r = 1; r <= rows; ++r) {
    const Record& keep = t.records[static_cast<size_t>(r - 1)];
    t.grid.SetString(0, r, zel::IntToStr(r));
    int32_t c = 0;
    rd.Next([&](std::string_view bytes, bool) {
      ++c;
      if (bytes.empty()) return;
      if (bytes.size() > kCellBytes && t.overlong++ == 0) t.first_overlong = keep.line;
      t.grid.SetString(c, r, BytesToCell(bytes));
    });
  }
}

// The record number kept in column 0 of a row.
const Record& RecordOf(const Table& t, int32_t r) {
  const auto k = static_cast<size_t>(zel::StrToInt(t.grid.GetString(0, r)));
  return t.records.at(k - 1);
}

void AppendField(std::string& out, const std::string& bytes, bool quoted, char delim) {
  // A field read unquoted is written unquoted (it holds no delimiter and no
  // line feed); other fields are quoted as they were, or when they need it.
  const bool needs = (!bytes.empty() && bytes[0] == '"') ||
                     bytes.find(delim) != std::string::npos ||
                     bytes.find('\n') != std::string::npos;
  if (!quoted && !needs) {
    out += bytes;
    return;
  }
  out += '"';
  for (char ch : bytes) {
    if (ch == '"') out += '"';
    out += ch;
  }
  out += '"';
}

// Appends one record: its fields, then `eol`.
template <class FieldAt>
void AppendRecord(std::string& out, const Table& t, const FieldAt& field, const Record& rec,
                  std::string_view eol) {
  for (size_t i = 0; i < rec.fields; ++i) {
    if (i > 0) out += t.delim;
    const bool quoted = rec.quoted_from != kNoneQuoted && t.quoted[rec.quoted_from + i];
    AppendField(out, field(i), quoted, t.delim);
  }
  out += eol;
}

// The table as delimited text, rows in their current order. Each record
// keeps its line ending; a record that had none (the last one of a file
// without a final line break) gets the file's usual one when it no longer
// ends the text, and the record that now ends it goes without.
std::string DelimitedText(const Table& t) {
  std::string out;
  if (t.bom) out += "\xEF\xBB\xBF";
  const std::string_view fallback_eol = [&] {
    for (const auto& rec : t.records)
      if (!rec.eol.empty()) return rec.eol;
    return t.title_record.eol.empty() ? std::string_view("\n") : t.title_record.eol;
  }();
  const int32_t n = t.records.empty() ? 0 : t.grid.NrOfRows();
  const bool ends_open = n > 0 && t.records.back().eol.empty();
  if (t.has_titles) {
    const Record& rec = t.title_record;
    AppendRecord(
        out, t, [&](size_t i) -> const std::string& { return t.titles[i].bytes; }, rec,
        rec.eol.empty() && n > 0 ? fallback_eol : rec.eol);
  }
  std::string cell;
  for (int32_t r = 1; r <= n; ++r) {
    const Record& rec = RecordOf(t, r);
    const std::string_view eol =
        r == n && ends_open ? std::string_view() : (rec.eol.empty() ? fallback_eol : rec.eol);
    AppendRecord(
        out, t,
        [&](size_t c) -> const std::string& {
          cell = CellToBytes(t.grid.GetString(static_cast<int32_t>(c + 1), r));
          return cell;
        },
        rec, eol);
  }
  return out;
}

// A progress bar on standard error fed by OnPercentDone.
void AttachProgress(TStringArray& g) {
  g.SetOnPercentDone([](zel::TObject*, int32_t pct) {
    const int shown = std::clamp(pct, 0, 100);
    std::string bar(40, '.');
    std::fill(bar.begin(), bar.begin() + shown * 40 / 100, '#');
    std::cerr << "\rsorting [" << bar << "] " << shown << "%" << std::flush;
  });
}

// The numeric value of a cell: optional blanks, a sign, digits with an
// optional decimal point (".25" and "5." count), an optional exponent, and
// optional blanks; nothing else.
std::optional<double> NumericValue(const std::string& s) {
  size_t i = 0;
  const size_t n = s.size();
  auto digit = [&](size_t k) { return k < n && s[k] >= '0' && s[k] <= '9'; };
  while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
  const size_t start = i;
  if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (digit(i)) ++i, ++digits;
  if (i < n && s[i] == '.') {
    ++i;
    while (digit(i)) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    size_t k = i + 1;
    if (k < n && (s[k] == '+' || s[k] == '-')) ++k;
    if (!digit(k)) return std::nullopt;
    while (digit(k)) ++k;
    i = k;
  }
  const size_t stop = i;
  while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
  if (i != n) return std::nullopt;
  // The tool never sets a locale, so strtod reads "." as the decimal point.
  const std::string number = s.substr(start, stop - start);
  const double v = std::strtod(number.c_str(), nullptr);  // +-HUGE_VAL when out of range
  return v == 0 ? 0.0 : v;                                // -0 sorts as 0
}

// The numeric sort key of a cell: numbers as "0" and sixteen hex digits whose
// text order is the numeric order; other texts as "1" and the text, after all
// numbers and in their own order.
String NumericKey(const String& cell) {
  const auto v = NumericValue(CellToBytes(cell));
  if (!v) return u"1" + cell;
  uint64_t bits = 0;
  std::memcpy(&bits, &*v, sizeof bits);
  // Negative numbers: all bits flipped; others: the sign bit set.
  bits = (bits >> 63) != 0 ? ~bits : bits | (uint64_t{1} << 63);
  String key(17, u'0');
  for (int k = 16; k >= 1; --k, bits >>= 4)
    key[static_cast<size_t>(k)] = u"0123456789abcdef"[bits & 15];
  return key;
}

// Numeric keys through OnBeforeSortExchange: the key handler is called for
// every text the sort fetches (fine for small tables).
void AttachNumericKeys(TStringArray& g) {
  g.SetOnBeforeSortExchange(
      [](zel::TObject*, const String& in, String& out) { out = NumericKey(in); });
}

// Numeric sort of a large table: the keys go to two extra columns once, the
// grid is sorted by them without a key handler (each key fetched once), the
// order is made physical and the extra columns are dropped again.
void SortNumeric(TStringArray& g, int32_t prim, int32_t sec, bool asc_prim, bool asc_sec) {
  const int32_t n = g.NrOfColumns();
  if (!g.Resize(n + 2, g.NrOfRows())) Fail("not enough memory for the sort keys");
  for (int32_t r = 1; r <= g.NrOfRows(); ++r) {
    g.SetString(n + 1, r, NumericKey(g.GetString(prim, r)));
    if (sec > 0) g.SetString(n + 2, r, NumericKey(g.GetString(sec, r)));
  }
  g.Sort(n + 1, sec > 0 ? n + 2 : 0, asc_prim, asc_sec);
  g.CommitSorting();
  g.SetNrOfColumns(n);
}

std::pair<int32_t, bool> ParseSortKey(const std::string& key, int32_t ncols) {
  std::string col = key;
  bool ascending = true;
  if (const auto colon = key.find(':'); colon != std::string::npos) {
    const std::string dir = key.substr(colon + 1);
    if (dir == "desc")
      ascending = false;
    else if (dir != "asc")
      Fail("sort direction must be asc or desc");
    col = key.substr(0, colon);
  }
  int32_t c = 0;
  try {
    c = zel::StrToInt(zel::Utf8ToString(col));
  } catch (const zel::EConvertError&) {
    Fail("sort column must be a number: " + col);
  }
  if (c < 1 || c > ncols) Fail("sort column " + col + " is not in 1.." + std::to_string(ncols));
  return {c, ascending};
}

// Display width of UTF-8 bytes (other bytes count one each).
size_t Width(const std::string& s) {
  size_t w = 0;
  for (char ch : s)
    if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++w;
  return w;
}

// A cell for the aligned view: line breaks and tabs as blanks, cut to
// max_width characters (never inside a UTF-8 sequence).
std::string Shown(const std::string& bytes, size_t max_width) {
  std::string s = bytes;
  for (char& ch : s)
    if (ch == '\r' || ch == '\n' || ch == '\t') ch = ' ';
  if (Width(s) <= max_width) return s;
  size_t w = 0, i = 0;
  for (; i < s.size(); ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && ++w == max_width) break;
  return s.substr(0, i) + "~";
}

// The table aligned in columns on standard output: titles first, the line
// number only on request. Two passes over the cells (widths, then lines), so
// no more than one line is held at a time.
void PrintAligned(const Table& t, bool numbers) {
  const TStringArray& g = t.grid;
  constexpr size_t kMaxWidth = 40;
  const int32_t n = t.records.empty() ? 0 : g.NrOfRows();
  const int32_t first = t.has_titles ? 0 : 1;  // row 0: the titles
  // Calls cell(k, shown text) for the printed cells of row r.
  auto each_cell = [&](int32_t r, const auto& cell) {
    size_t k = 0;
    if (numbers) cell(k++, r == 0 ? std::string("line") : std::to_string(RecordOf(t, r).line));
    if (r == 0) {
      for (const auto& f : t.titles) cell(k++, Shown(f.bytes, kMaxWidth));
    } else {
      for (int32_t c = 1; c <= g.NrOfColumns(); ++c)
        cell(k++, Shown(CellToBytes(g.GetString(c, r)), kMaxWidth));
    }
  };
  std::vector<size_t> width;
  for (int32_t r = first; r <= n; ++r)
    each_cell(r, [&](size_t k, const std::string& s) {
      if (width.size() <= k) width.resize(k + 1, 0);
      width[k] = std::max(width[k], Width(s));
    });
  std::string line;
  for (int32_t r = first; r <= n; ++r) {
    line.clear();
    each_cell(r, [&](size_t k, const std::string& s) {
      if (k > 0) line += "  ";
      line += s;
      line.append(width[k] - Width(s), ' ');
    });
    while (!line.empty() && line.back() == ' ') line.pop_back();
    line += '\n';
    if (!zel_tool::WriteOutput(line)) return;
  }
}

// Refuses (nothing written) when an output would not hold what was read: a
// field longer than a cell, for every output unless `truncate`; a record with
// broken quoting, for delimited text, which could not be written back as it
// was read.
void CheckOutputs(const Table& t, bool truncate, bool delimited) {
  if (delimited) {
    for (const auto& rec : t.records)
      if (rec.irregular)
        FailFile(t.name, "line " + std::to_string(rec.line) +
                             ": a quoted field is not closed or has text after its closing quote;"
                             " nothing written");
    if (t.title_record.irregular)
      FailFile(t.name,
               "line 1: a quoted field is not closed or has text after its closing quote;"
               " nothing written");
  }
  if (t.overlong > 0 && !truncate)
    FailFile(t.name, "line " + std::to_string(t.first_overlong) + ": " +
                         std::to_string(t.overlong) + " field(s) longer than " +
                         std::to_string(kCellBytes) +
                         " bytes, more than a grid cell holds; nothing written"
                         " (--truncate writes them cut)");
}

// The grid in its XML form, as SaveAsXMLFile writes it. The file is written
// to an anonymous memory file and read back, so that it can be put in place
// together with the other outputs.
std::string XmlText(const Table& t, const std::string& xml_name, const String& id) {
  std::string bytes;
  int err = 0;
  try {
    err = zel::platform::Scratch().CaptureAnonymousFile(
        "zel-grid-xml",
        [&](const std::string& path) { t.grid.SaveAsXMLFile(zel::PathToFileName(path), id); },
        bytes);
  } catch (const zel::Exception& e) {
    FailFile(xml_name, zel::StringToUtf8(e.Message()));
  }
  if (err != 0) FailFile(xml_name, zel_tool::ErrnoText(err));
  return bytes;
}

int RunFind(Args& args) {
  const bool exact = args.Flag("exact");
  const bool match_case = args.Flag("case");
  const bool header = args.Flag("header");
  std::optional<char> delim;
  if (auto d = args.Option("delim")) delim = zel_tool::ParseDelimiter("--delim", *d);
  const int64_t max_cells = zel_tool::ParseMaxCells(args.Option("max-cells"));
  args.RejectUnknownOptions();
  const auto& rest = args.Rest();
  if (rest.size() != 3) Fail("expected: find TEXT FILE");
  Table t;
  ReadTable(rest[2], delim, header, max_cells, t);
  const String what = BytesToCell(rest[1]);
  const TStringArray& g = t.grid;
  int found = 0;
  int32_t col = 0, row = 1, next_col = 1;
  while (row <= g.NrOfRows()) {
    // The rest of the current row, then all rows below it.
    int32_t c = 0, r = 0;
    bool hit = false;
    if (next_col <= g.NrOfColumns())
      hit = exact ? g.FindCellExact(what, match_case, next_col, g.NrOfColumns(), row, row, c, r)
                  : g.FindCell(what, match_case, next_col, g.NrOfColumns(), row, row, c, r);
    if (!hit && row < g.NrOfRows())
      hit = exact
                ? g.FindCellExact(what, match_case, 1, g.NrOfColumns(), row + 1, g.NrOfRows(), c, r)
                : g.FindCell(what, match_case, 1, g.NrOfColumns(), row + 1, g.NrOfRows(), c, r);
    if (!hit) break;
    ++found;
    col = c;
    row = r;
    if (!zel_tool::WriteOutput("line " + std::to_string(RecordOf(t, row).line) + ", column " +
                               std::to_string(col) + ": " + CellToBytes(g.GetString(col, row)) +
                               "\n"))
      break;
    next_col = col + 1;
  }
  if (found == 0) {
    zel_tool::WriteOutput("not found\n");
    return 1;
  }
  return 0;
}

int RunGrid(Args& args) {
  if (!args.Rest().empty() && args.Rest()[0] == "find") return RunFind(args);
  const bool header = args.Flag("header");
  const bool numeric = args.Flag("numeric");
  const bool in_place = args.Flag("in-place");
  const bool force_progress = args.Flag("progress");
  const bool quiet = args.Flag("quiet");
  const bool numbers = args.Flag("numbers");
  const bool truncate = args.Flag("truncate");
  std::optional<char> delim;
  if (auto d = args.Option("delim")) delim = zel_tool::ParseDelimiter("--delim", *d);
  const auto sort = args.Option("sort");
  const auto then = args.Option("then");
  const auto out = args.Option("out");
  const auto xml = args.Option("xml");
  const int64_t max_cells = zel_tool::ParseMaxCells(args.Option("max-cells"));
  args.RejectUnknownOptions();
  if (args.Rest().size() != 1) Fail("expected one file name");
  if (then && !sort) Fail("--then needs --sort");
  if (in_place && out) Fail("--in-place and --out exclude each other");
  const std::string name = args.Rest()[0];
  if (in_place && name == "-") Fail("--in-place needs a file, not standard input");

  Table t;
  ReadTable(name, delim, header, max_cells, t);
  TStringArray& g = t.grid;
  if (sort) {
    const auto [prim, asc_prim] = ParseSortKey(*sort, g.NrOfColumns());
    int32_t sec = 0;
    bool asc_sec = true;
    if (then) std::tie(sec, asc_sec) = ParseSortKey(*then, g.NrOfColumns());
    const bool progress = !quiet && (force_progress || g.NrOfRows() >= kProgressFrom);
    if (progress) AttachProgress(g);
    if (numeric)
      SortNumeric(g, prim, sec, asc_prim, asc_sec);
    else
      g.Sort(prim, sec, asc_prim, asc_sec);
    if (progress) std::cerr << "\n";
  }
  // Every output is made and checked before any is written; then they are
  // put in place together.
  const std::optional<std::string> delimited = in_place ? name : out;
  if (xml || delimited) {
    CheckOutputs(t, truncate, delimited.has_value());
    std::vector<zel_tool::OutputFile> outputs;
    if (xml)
      outputs.push_back(
          {*xml, XmlText(t, *xml, zel::Utf8ToString(std::filesystem::path(name).stem().string()))});
    if (delimited) outputs.push_back({*delimited, DelimitedText(t)});
    zel_tool::WriteOutputFiles(outputs);
  }
  if (!delimited) PrintAligned(t, numbers);
  return 0;
}

ZEL_TOOL_COMMAND(
    grid, "load a delimited text file into a string grid, sort, search, print",
    "zel grid [--delim C] [--header] [--sort C[:desc]] [--then C[:desc]] "
    "[--numeric] [--numbers]\n"
    "         [--out FILE | --in-place] [--truncate] [--xml FILE] [--progress | --quiet]\n"
    "         [--max-cells N] FILE\n"
    "       zel grid find TEXT FILE [--exact] [--case] [--delim C] [--header] [--max-cells N]\n"
    "  A field longer than a grid cell (255 bytes) makes every output (--out,\n"
    "  --in-place, --xml) refuse to be written unless --truncate cuts it; the\n"
    "  outputs of a run are written together, or none. The grid is held in\n"
    "  memory: a table of more cells than --max-cells N allows (default 50000000,\n"
    "  about 200 MB) is refused; the cells are the rows times the widest record,\n"
    "  and each column counts 8 more for its own storage.",
    RunGrid);

void DemoGrid(std::ostream& out) {
  const std::string file = zel_tool::SampleDir() + "/elements.csv";
  Table t;
  ReadTable(file, std::nullopt, true, zel_tool::kDefaultMaxCells, t);
  TStringArray& g = t.grid;
  out << "elements.csv: " << g.NrOfRows() << " rows x " << g.NrOfColumns()
      << " columns in a TStringArray (" << g.NumBuffers() << " string pool)\n";
  g.Sort(2, 0, true);
  out << "sorted by name, first five:";
  for (int32_t r = 1; r <= 5; ++r) out << " " << zel::StringToUtf8(g.GetString(2, r));
  out << "\n";
  int32_t row = 0;
  if (g.FindCellInSortedColumn(u"iron", false, 2, -1, -1, true, row))
    out << "binary search for \"iron\": row " << row << ", symbol "
        << zel::StringToUtf8(g.GetString(1, row)) << ", atomic number " << g.GetAsInteger(3, row)
        << "\n";
  AttachNumericKeys(g);
  g.Sort(4, 0, false);
  out << "heaviest three by mass:";
  for (int32_t r = 1; r <= 3; ++r)
    out << " " << zel::StringToUtf8(g.GetString(1, r)) << " (" << g.GetAsNumber(4, r) << ")";
  out << "\n";
  g.UnSort();
  int32_t c = 0;
  if (g.FindCell(u"ine", false, 2, 2, -1, -1, c, row))
    out << "first name containing \"ine\": " << zel::StringToUtf8(g.GetString(2, row)) << " (line "
        << RecordOf(t, row).line << ")\n";
  g.Sort(4, 0, true);
  int inversions = 0;
  for (int32_t r = 1; r < g.NrOfRows(); ++r)
    if (g.GetAsInteger(3, r) > g.GetAsInteger(3, r + 1)) ++inversions;
  out << "ordered by mass, atomic numbers step back " << inversions << " times (Ar/K, Co/Ni)\n";
}
ZEL_TOOL_DEMO(40, "String grid (TStringArray)", DemoGrid);

}  // namespace
