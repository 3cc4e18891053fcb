// zel grid: a delimited text file in a TStringArray, sorted, searched, printed.
//
//   zel grid [options] FILE              print the table (sorted with --sort)
//     --delim C        field delimiter: a character, or "tab"; default: the
//                      first of tab, ";", "," found in the first line
//     --header         the first line holds column titles (kept on top)
//     --sort C[:desc]  primary sort column (from 1), ascending unless :desc
//     --then C[:desc]  secondary sort column
//     --numeric        compare sort keys as numbers (right-aligned digits)
//     --out FILE       write the delimited table to FILE instead of printing
//     --in-place       write it back to the input file
//     --xml FILE       also save the grid in its XML form
//     --progress / --quiet   force or suppress the progress bar on standard
//                      error (shown by default from 50000 rows on)
//   zel grid find TEXT FILE [--exact] [--case] [--delim C] [--header]
//                                        every cell containing (or equal to) TEXT
//
// Texts are read as UTF-8 (a line that is not valid UTF-8 as Windows-1252).
// A grid cell holds at most 255 characters of Windows-1252; the tool says
// how many cells could not be stored unchanged.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "command.h"
#include "csv.h"
#include "zel/dstruct/stringarray.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/safefile.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/textfile.h"
#include "zel/runtime/utf8.h"

namespace {

using zel::String;
using zel::TStringArray;
using zel_tool::Args;
using zel_tool::Fail;
using zel_tool::JoinFields;
using zel_tool::SplitFields;

constexpr int kProgressFrom = 50000;

char16_t ParseDelim(const std::string& s) {
  if (s == "tab" || s == "\\t") return u'\t';
  const String d = zel::Utf8ToString(s);
  if (d.size() != 1) Fail("--delim takes one character or \"tab\"");
  return d[0];
}

struct Table {
  TStringArray grid{nullptr};
  std::vector<String> titles;
  char16_t delim = u';';
  bool crlf = false;
  int64_t altered = 0;  // cells not stored unchanged
};

// Reads FILE into the table: data line k goes to row k, its line number to
// column 0.
void ReadTable(const std::string& name, std::optional<char16_t> delim, bool header, Table& t) {
  const String fname = zel::PathToFileName(name);
  {
    std::ifstream probe(name, std::ios::binary);
    if (!probe) Fail("cannot open " + name);
    std::string first;
    std::getline(probe, first);
    t.crlf = !first.empty() && first.back() == '\r';
  }
  zel::TextFile f(fname);
  f.Reset();
  const int64_t lines = f.SkipLines(INT32_MAX);
  f.Reset();
  String first_line = f.Eof() ? String() : f.ReadLn();
  if (delim) {
    t.delim = *delim;
  } else {
    t.delim = u',';
    for (char16_t cand : {u'\t', u';', u','})
      if (first_line.find(cand) != String::npos) {
        t.delim = cand;
        break;
      }
  }
  int64_t rows = lines - (header ? 1 : 0);
  if (rows > INT32_MAX) Fail("too many lines for a grid");
  if (rows < 1) rows = 1;
  std::vector<String> fields = SplitFields(first_line, t.delim);
  t.grid.SetAllocRowsBy(1024);
  if (!t.grid.Resize(static_cast<int32_t>(std::max<size_t>(fields.size(), 1)),
                     static_cast<int32_t>(rows)))
    Fail("not enough memory for " + std::to_string(rows) + " rows");
  int32_t r = 0;
  int64_t line_no = 1;
  auto store = [&](const std::vector<String>& fs) {
    ++r;
    if (static_cast<int32_t>(fs.size()) > t.grid.NrOfColumns())
      t.grid.SetNrOfColumns(static_cast<int32_t>(fs.size()));
    t.grid.SetString(0, r, zel::IntToStr(line_no));
    // The field count travels with the row through sorting, so a row is
    // written back with as many fields as it was read with.
    t.grid.SetRowAttrib(r, static_cast<zel::Byte>(std::min<size_t>(fs.size(), 255)));
    for (size_t c = 0; c < fs.size(); ++c) {
      const auto col = static_cast<int32_t>(c + 1);
      t.grid.SetString(col, r, fs[c]);
      if (t.grid.GetString(col, r) != fs[c]) ++t.altered;
    }
  };
  if (header)
    t.titles = fields;
  else if (lines > 0)
    store(fields);
  while (!f.Eof() && r < rows) {
    ++line_no;
    store(SplitFields(f.ReadLn(), t.delim));
  }
  f.Close();
  if (t.altered > 0)
    std::cerr << "zel grid: " << t.altered
              << " cells were cut to 255 characters or hold characters outside Windows-1252"
                 " (stored as \"?\")\n";
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

// The numeric sort key of a text: a non-negative decimal right-aligned on a
// fixed width, so text order is numeric order; other texts sort after all
// numbers, in their own order.
String NumericKey(const String& in) {
  const size_t dot = in.find(u'.');
  const String whole = in.substr(0, dot);
  const bool digits =
      !whole.empty() && whole.size() <= 30 &&
      std::all_of(whole.begin(), whole.end(), [](char16_t ch) { return ch >= u'0' && ch <= u'9'; });
  String out(digits ? 30 - whole.size() : 1, digits ? u'0' : u'~');
  out.append(in);
  return out;
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
  g.SetNrOfColumns(n + 2);
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

std::vector<String> RowFields(const TStringArray& g, int32_t r) {
  std::vector<String> out;
  for (int32_t c = 1; c <= g.NrOfColumns(); ++c) out.push_back(g.GetString(c, r));
  const size_t count = g.GetRowAttrib(r);
  if (count >= 1 && count < 255 && count <= out.size()) {
    out.resize(count);
  } else {
    while (out.size() > 1 && out.back().empty()) out.pop_back();
  }
  return out;
}

void PrintAligned(std::ostream& out, const Table& t, bool numbers) {
  const TStringArray& g = t.grid;
  constexpr size_t kMaxWidth = 40;
  // The printed rows: titles first, column 0 (line numbers) only on request.
  std::vector<std::vector<String>> rows;
  const int32_t first = numbers ? 0 : 1;
  if (!t.titles.empty()) {
    std::vector<String> cells;
    if (numbers) cells.push_back(u"line");
    cells.insert(cells.end(), t.titles.begin(), t.titles.end());
    rows.push_back(cells);
  }
  for (int32_t r = 1; r <= g.NrOfRows(); ++r) {
    std::vector<String> cells;
    for (int32_t c = first; c <= g.NrOfColumns(); ++c) {
      String cell = g.GetString(c, r);
      if (cell.size() > kMaxWidth) cell = cell.substr(0, kMaxWidth - 1) + u'~';
      cells.push_back(cell);
    }
    rows.push_back(cells);
  }
  std::vector<size_t> width;
  for (const auto& cells : rows)
    for (size_t c = 0; c < cells.size(); ++c) {
      if (width.size() <= c) width.resize(c + 1, 0);
      width[c] = std::max(width[c], cells[c].size());
    }
  for (const auto& cells : rows) {
    std::string line;
    for (size_t c = 0; c < cells.size(); ++c) {
      if (c > 0) line += "  ";
      line += zel::StringToUtf8(cells[c]);
      line.append(width[c] - cells[c].size(), ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
  }
}

void WriteDelimited(const std::string& name, const Table& t) {
  const char* eol = t.crlf ? "\r\n" : "\n";
  std::string text;
  if (!t.titles.empty()) text += zel::StringToUtf8(JoinFields(t.titles, t.delim)) + eol;
  for (int32_t r = 1; r <= t.grid.NrOfRows(); ++r)
    text += zel::StringToUtf8(JoinFields(RowFields(t.grid, r), t.delim)) + eol;
  // Replaced as a whole: a failure keeps the previous file.
  try {
    zel::SafeReplaceFile(zel::PathToFileName(name), [&](zel::TStream& out) {
      out.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    });
  } catch (const zel::Exception&) {
    Fail("cannot write " + name);
  }
}

int RunFind(Args& args) {
  const bool exact = args.Flag("exact");
  const bool match_case = args.Flag("case");
  const bool header = args.Flag("header");
  std::optional<char16_t> delim;
  if (auto d = args.Option("delim")) delim = ParseDelim(*d);
  args.RejectUnknownOptions();
  const auto& rest = args.Rest();
  if (rest.size() != 3) Fail("expected: find TEXT FILE");
  Table t;
  ReadTable(rest[2], delim, header, t);
  const String what = zel::Utf8ToString(rest[1]);
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
    std::cout << "line " << zel::StringToUtf8(g.GetString(0, row)) << ", column " << col << ": "
              << zel::StringToUtf8(g.GetString(col, row)) << "\n";
    next_col = col + 1;
  }
  if (found == 0) {
    std::cout << "not found\n";
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
  std::optional<char16_t> delim;
  if (auto d = args.Option("delim")) delim = ParseDelim(*d);
  const auto sort = args.Option("sort");
  const auto then = args.Option("then");
  const auto out = args.Option("out");
  const auto xml = args.Option("xml");
  args.RejectUnknownOptions();
  if (args.Rest().size() != 1) Fail("expected one file name");
  if (then && !sort) Fail("--then needs --sort");
  if (in_place && out) Fail("--in-place and --out exclude each other");
  const std::string name = args.Rest()[0];

  Table t;
  ReadTable(name, delim, header, t);
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
  if (xml)
    g.SaveAsXMLFile(zel::PathToFileName(*xml),
                    zel::Utf8ToString(std::filesystem::path(name).stem().string()));
  if (in_place)
    WriteDelimited(name, t);
  else if (out)
    WriteDelimited(*out, t);
  else
    PrintAligned(std::cout, t, numbers);
  return 0;
}

ZEL_TOOL_COMMAND(grid, "load a delimited text file into a string grid, sort, search, print",
                 "zel grid [--delim C] [--header] [--sort C[:desc]] [--then C[:desc]] "
                 "[--numeric] [--numbers]\n"
                 "         [--out FILE | --in-place] [--xml FILE] [--progress | --quiet] FILE\n"
                 "       zel grid find TEXT FILE [--exact] [--case] [--delim C] [--header]",
                 RunGrid);

void DemoGrid(std::ostream& out) {
  const std::string file = zel_tool::SampleDir() + "/elements.csv";
  Table t;
  ReadTable(file, std::nullopt, true, t);
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
        << zel::StringToUtf8(g.GetString(0, row)) << ")\n";
  g.Sort(4, 0, true);
  int inversions = 0;
  for (int32_t r = 1; r < g.NrOfRows(); ++r)
    if (g.GetAsInteger(3, r) > g.GetAsInteger(3, r + 1)) ++inversions;
  out << "ordered by mass, atomic numbers step back " << inversions << " times (Ar/K, Co/Ni)\n";
}
ZEL_TOOL_DEMO(40, "String grid (TStringArray)", DemoGrid);

}  // namespace
