// zel fmat: feature matrix files (TFeatureMatrix) and CSV.
//
//   zel fmat info FILE             objects, and each feature with its number,
//                                  name, kind and the range of its values (a
//                                  run of features with default properties
//                                  and no values on one line); warns when
//                                  the values do not end at #featend
//   zel fmat from-csv [--no-header] [--delimiter C] [--max-cells N] IN OUT
//                                  a CSV table (RFC 4180) as a feature
//                                  matrix: the delimiter is the one of ","
//                                  ";" tab "|" that splits the first records
//                                  most consistently (or C), the kind of each
//                                  column guessed from its values (tri-state,
//                                  integer, floating point, else string); the
//                                  first line holds the feature names unless
//                                  --no-header. A matrix of more cells than N
//                                  (default 50000000) is refused
//   zel fmat to-csv [--delim C] IN OUT
//                                  the values as CSV (default delimiter ";"),
//                                  a first line with the feature names;
//                                  written as it is made
// "-" reads standard input / writes standard output. Output files are
// replaced only once they are complete.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <functional>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "command.h"
#include "csv.h"
#include "io.h"
#include "zel/base/csvdelim.h"
#include "zel/base/nametables.h"
#include "zel/dstruct/featmatrix.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/safefile.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/textfile.h"
#include "zel/runtime/utf8.h"
#include "zel/stringl/parlist.h"

namespace {

using zel::String;
using zel::TFeatureMatrix;
using zel_tool::Args;
using zel_tool::Fail;

std::string U8(std::u16string_view s) { return zel::StringToUtf8(String(s)); }

// A runtime failure: "zel fmat: <file>: <reason>", exit 1 (reported by main).
using RuntimeFailure = zel_tool::FileError;

void LoadMatrix(const std::string& name, TFeatureMatrix& m) {
  // "-" (standard input) is read once into a file the matrix loads from.
  const zel_tool::SeekableInput in(name);
  switch (m.Load(in.FileName())) {
    case 0:
      return;
    case -1:
      throw RuntimeFailure{name, std::strerror(ENOENT)};
    case -2:
      throw RuntimeFailure{name, "no feature matrix in this file"};
    default:
      throw RuntimeFailure{name, "damaged or unreadable feature matrix"};
  }
}

// Only ASCII digits, signs, "." and exponent letters, read whole as a number.
bool AsciiNumber(const String& s, bool integer, double& value) {
  if (s.empty() || s.size() > 64) return false;
  char buf[64];
  size_t n = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    const bool ok = (c >= u'0' && c <= u'9') || c == u'-' || c == u'+' ||
                    (!integer && (c == u'.' || c == u'e' || c == u'E'));
    if (!ok) return false;
    if (i == 0 && c == u'+') continue;
    buf[n++] = static_cast<char>(c);
  }
  if (integer) {
    int64_t v = 0;
    const auto r = std::from_chars(buf, buf + n, v);
    value = static_cast<double>(v);
    return r.ec == std::errc() && r.ptr == buf + n;
  }
  const auto r = std::from_chars(buf, buf + n, value);
  return r.ec == std::errc() && r.ptr == buf + n;
}

bool TriText(const String& s) {
  const String l = zel::LowerCase(s);
  return l == u"true" || l == u"false";
}

// The kinds that every value of a column seen so far fits, narrowed value by
// value; empty values fit every kind.
struct KindGuess {
  bool any = false, tri = true, integer = true, real = true;
  void Add(const String& s) {
    double v = 0;
    any = true;
    tri = tri && TriText(s);
    integer = integer && AsciiNumber(s, true, v);
    real = real && AsciiNumber(s, false, v);
  }
  zel::TFeatKind Kind() const {
    if (!any) return zel::fkString;
    if (tri) return zel::fkTriState;
    if (integer) return zel::fkInteger;
    if (real) return zel::fkDouble;
    return zel::fkString;
  }
};

// A feature's properties count as this many cells against --max-cells.
constexpr int64_t kFeatureCells = 32;

int FromCsv(Args& args) {
  const bool no_header = args.Flag("no-header");
  std::optional<char> delim;
  if (auto d = args.Option("delimiter")) delim = zel_tool::ParseDelimiter("--delimiter", *d);
  const int64_t max_cells = zel_tool::ParseMaxCells(args.Option("max-cells"));
  args.RejectUnknownOptions();
  const auto& rest = args.Rest();
  if (rest.size() != 3) Fail("expected: from-csv IN OUT");
  const std::string& in = rest[1];
  const std::string& out = rest[2];
  const std::string text = zel_tool::ReadInputOrFail(in);
  std::string_view body(text);
  if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
  if (!delim) delim = zel_tool::DetectImportDelimiter(body);
  // Records end at LF, CR LF or a lone CR, as lines of text files do. Each
  // value: UTF-8, or Windows-1252 when its bytes are not UTF-8. A
  // feature matrix file holds one value per line, so a value holding a line
  // break is refused rather than split.
  auto value_of = [&](std::string_view bytes, int64_t line) {
    if (bytes.find_first_of("\r\n") != std::string_view::npos)
      throw RuntimeFailure{in, "line " + std::to_string(line) +
                                   ": a value holds a line break, which a feature matrix"
                                   " cannot store"};
    return zel::DecodeText8(bytes);
  };
  // First pass: names, counts and kinds; only what the input holds is
  // looked at, and nothing is kept per value.
  std::vector<String> names;
  std::vector<KindGuess> kinds;
  int64_t objects = 0, records = 0;
  {
    zel_tool::CsvReader rd(body, delim, true);
    bool first = true;
    while (!rd.AtEnd()) {
      const bool titles = first && !no_header;
      first = false;
      size_t c = 0;
      const int64_t line = rd.Line();
      // The features times the objects (and the names' row) bound the
      // matrix's cells and the work of writing it; checked as the fields
      // come, so that one long record is refused before it costs more than
      // its bytes.
      const int64_t rows = ++records;  // the names' row and the objects, this record included
      auto check = [&](size_t features) {
        if (!zel_tool::WithinCells(rows, static_cast<int64_t>(features), kFeatureCells, max_cells))
          throw RuntimeFailure{in, "line " + std::to_string(line) +
                                       ": the matrix needs more than " + std::to_string(max_cells) +
                                       " cells; nothing written (--max-cells raises the limit)"};
      };
      rd.Next([&](std::string_view bytes, bool) {
        if (c >= kinds.size()) {
          check(c + 1);
          kinds.emplace_back();
        }
        if (titles) {
          names.push_back(value_of(bytes, line));
        } else if (!bytes.empty()) {
          kinds[c].Add(value_of(bytes, line));
        }
        ++c;
      });
      if (!titles) ++objects;
      check(kinds.size());
    }
  }
  const size_t cols = kinds.size();
  if (cols > static_cast<size_t>(INT32_MAX) || objects > INT32_MAX)
    throw RuntimeFailure{in, "too large for a feature matrix"};
  TFeatureMatrix m(nullptr);
  m.SetName(u"fmat");
  m.Resize(static_cast<int32_t>(cols), static_cast<int32_t>(objects));
  for (size_t c = 0; c < cols; ++c) {
    const auto fix = static_cast<int32_t>(c + 1);
    zel::TFeatMatProps& p = m.FeatProps(fix);
    p.SetFeatNum(fix);
    p.SetFeatName(c < names.size() && !names[c].empty() ? names[c]
                                                        : u"column" + zel::IntToStr(fix));
    p.SetFeatKind(kinds[c].Kind());
  }
  // Second pass: the values that are there (new features hold empty texts).
  {
    zel_tool::CsvReader rd(body, delim, true);
    if (!no_header && !rd.AtEnd()) rd.Next([](std::string_view, bool) {});
    for (int32_t o = 1; o <= objects; ++o) {
      int32_t fix = 0;
      rd.Next([&](std::string_view bytes, bool) {
        ++fix;
        if (!bytes.empty()) m.SetFeatValStr(fix, o, zel::DecodeText8(bytes));
      });
    }
  }
  try {
    zel_tool::WriteThroughFile(out, [&m](const String& file) { m.Save(file); });
  } catch (const zel::EInOutError& e) {
    throw RuntimeFailure{out, e.ErrorCode() > 0 && e.ErrorCode() < 100
                                  ? std::strerror(e.ErrorCode())
                                  : U8(e.Message())};
  }
  std::cerr << "zel fmat: " << objects << " objects, " << cols << " features, delimiter "
            << zel_tool::DelimiterName(delim) << "\n";
  return 0;
}

// Writes bytes in blocks to a sink (a stream or standard output).
class BlockWriter {
 public:
  explicit BlockWriter(std::function<void(const std::string&)> Sink) : sink_(std::move(Sink)) {}
  void Add(const std::string& s) {
    text_ += s;
    if (text_.size() >= kBlock) Flush();
  }
  void AddRepeated(const std::string& s, size_t n) {
    for (; n > 0; --n) Add(s);
  }
  void Flush() {
    if (!text_.empty()) sink_(text_);
    text_.clear();
  }

 private:
  static constexpr size_t kBlock = 1 << 16;
  std::function<void(const std::string&)> sink_;
  std::string text_;
};

// The CSV text of m, row by row: the feature names, then one line per
// object, every value as its text (the kinds of the features holding values
// become fkString). Only the features that hold values are read for the
// rows; the output goes out in blocks as it is made, never held whole.
void WriteCsv(TFeatureMatrix& m, char16_t delim, BlockWriter& out) {
  const TFeatureMatrix& cm = m;
  const auto field = [&](const String& s) { return U8(zel_tool::JoinFields({s}, delim)); };
  const std::string sep = U8(String(1, delim));
  for (int32_t f = 1; f <= m.NFeatures(); ++f) {
    if (f > 1) out.Add(sep);
    out.Add(field(cm.FeatProps(f).FeatName()));
  }
  out.Add("\r\n");
  std::vector<int32_t> feats;
  for (int32_t f = m.NextFeature(0); f != 0; f = m.NextFeature(f))
    if (m.NextObject(f, 0) != 0) {
      feats.push_back(f);
      m.SetFeatType(f, f, zel::fkString);
    }
  for (int32_t o = 1; o <= m.NObjects(); ++o) {
    int32_t at = 1;  // the feature whose field comes next
    for (const int32_t f : feats) {
      const String v = m.FeatVal(f, o);
      if (v.empty()) continue;
      out.AddRepeated(sep, static_cast<size_t>(f - at));
      out.Add(field(v));
      at = f;
    }
    if (m.NFeatures() > at) out.AddRepeated(sep, static_cast<size_t>(m.NFeatures() - at));
    out.Add("\r\n");
  }
  out.Flush();
}

int ToCsv(Args& args) {
  char16_t delim = u';';
  if (auto d = args.Option("delim")) {
    const String s = zel::Utf8ToString(*d);
    if (*d == "tab")
      delim = u'\t';
    else if (s.size() == 1)
      delim = s[0];
    else
      Fail("--delim takes one character or \"tab\"");
  }
  args.RejectUnknownOptions();
  const auto& rest = args.Rest();
  if (rest.size() != 3) Fail("expected: to-csv IN OUT");
  TFeatureMatrix m(nullptr);
  LoadMatrix(rest[1], m);
  const std::string& out = rest[2];
  if (out == "-") {
    bool ok = true;
    BlockWriter w([&](const std::string& block) { ok = zel_tool::WriteOutput(block) && ok; });
    WriteCsv(m, delim, w);
    return zel_tool::FinishOutput("fmat") && ok ? 0 : 1;
  }
  try {
    zel::SafeReplaceFile(zel::PathToFileName(out), [&](zel::TStream& s) {
      BlockWriter w([&](const std::string& block) {
        s.WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
      });
      WriteCsv(m, delim, w);
    });
  } catch (const zel::Exception& e) {
    throw RuntimeFailure{out, U8(e.Message())};
  }
  return 0;
}

// Range of the values of a feature, by kind; walks only the values there are.
std::string RangeText(const TFeatureMatrix& m, int32_t f, int32_t& filled) {
  filled = 0;
  const zel::TFeatKind kind = m.FeatProps(f).FeatKind();
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  int bad = 0, yes = 0, no = 0;
  size_t longest = 0;
  if (kind == zel::fkUndefined) return std::string();
  for (int32_t o = m.NextObject(f, 0); o != 0; o = m.NextObject(f, o)) {
    const String s = m.FeatVal(f, o);
    ++filled;
    longest = std::max(longest, s.size());
    try {
      if (kind == zel::fkInteger || kind == zel::fkDouble) {
        const double v = kind == zel::fkInteger ? static_cast<double>(m.FeatValAsInt(f, o))
                                                : m.FeatValAsDouble(f, o);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
      } else if (kind == zel::fkTriState) {
        (m.FeatValAsTriState(f, o) == zel::tsTrue ? yes : no)++;
      }
    } catch (const zel::Exception&) {
      ++bad;
    }
  }
  std::string r;
  if (kind == zel::fkInteger || kind == zel::fkDouble) {
    if (lo <= hi) r = U8(zel::FloatToStr(lo)) + " .. " + U8(zel::FloatToStr(hi));
  } else if (kind == zel::fkTriState) {
    r = "true " + std::to_string(yes) + ", false " + std::to_string(no);
  } else if (kind == zel::fkString && filled > 0) {
    r = "texts up to " + std::to_string(longest) + " characters";
  }
  if (bad > 0) r += (r.empty() ? "" : ", ") + std::to_string(bad) + " invalid";
  return r;
}

void PrintFeature(std::ostream& out, const TFeatureMatrix& m, int32_t f) {
  const zel::TFeatMatProps& p = m.FeatProps(f);
  int32_t filled = 0;
  const std::string range = RangeText(m, f, filled);
  out << "  " << f << ". #" << p.FeatNum() << " " << U8(p.FeatName()) << " ("
      << U8(zel::FeatKindName(p.FeatKind())) << "): " << filled << " values";
  if (!range.empty()) out << ", " << range;
  if (!p.Comment().empty()) out << "  [" << U8(p.Comment()) << "]";
  out << "\n";
}

// Runs of this many features or more that have nothing of their own (default
// properties, no values) are shown on one line.
constexpr int32_t kDefaultRun = 4;

void PrintInfo(std::ostream& out, const std::string& title, const TFeatureMatrix& m) {
  out << title << ": " << m.NObjects() << " objects, " << m.NFeatures() << " features\n";
  int32_t f = 1;
  while (f <= m.NFeatures()) {
    const int32_t next = m.NextFeature(f - 1);
    const int32_t end = next == 0 ? m.NFeatures() + 1 : next;  // f..end-1 are default
    if (end - f >= kDefaultRun) {
      out << "  " << f << ".." << end - 1 << ". " << end - f
          << " features with default properties (#0 undefined, fkUndefined) and no values\n";
      f = end;
      continue;
    }
    for (; f < end; ++f) PrintFeature(out, m, f);
    if (f <= m.NFeatures()) PrintFeature(out, m, f++);
  }
}

int Info(Args& args) {
  args.RejectUnknownOptions();
  const auto& rest = args.Rest();
  if (rest.size() != 2) Fail("expected: info FILE");
  TFeatureMatrix m(nullptr);
  LoadMatrix(rest[1], m);
  if (!m.EndMarkerRead())
    std::cerr << "zel fmat: " << rest[1]
              << ": warning: no end marker (#featend) after the values; the file may be cut off\n";
  PrintInfo(std::cout, rest[1], m);
  return zel_tool::FinishOutput("fmat") ? 0 : 1;
}

int RunFmat(Args& args) {
  const auto& rest = args.Rest();
  if (rest.empty()) Fail("expected a subcommand: info, from-csv or to-csv");
  if (rest[0] == "info") return Info(args);
  if (rest[0] == "from-csv") return FromCsv(args);
  if (rest[0] == "to-csv") return ToCsv(args);
  Fail("unknown subcommand '" + rest[0] + "'");
}

}  // namespace

ZEL_TOOL_COMMAND(fmat, "feature matrix files: summary, conversion from and to CSV",
                 "zel fmat info FILE\n"
                 "       zel fmat from-csv [--no-header] [--delimiter C] [--max-cells N] IN OUT\n"
                 "       zel fmat to-csv [--delim C] IN OUT\n"
                 "  from-csv takes as delimiter the one of \",\" \";\" tab \"|\" that splits the\n"
                 "  first records most consistently (quoted fields read as such), or C given\n"
                 "  with --delimiter. A matrix of more cells than --max-cells N allows\n"
                 "  (default 50000000) is refused; the cells are the objects, plus one row of\n"
                 "  names, times the features, and each feature counts 32 more.",
                 RunFmat);

namespace {

void DemoFmat(std::ostream& out) {
  TFeatureMatrix m(nullptr);
  const std::string file = zel_tool::SampleDir() + "/elements.fmat";
  if (m.Load(zel::PathToFileName(file)) != 0) {
    out << "sample elements.fmat not found\n";
    return;
  }
  PrintInfo(out, "elements.fmat", m);
  const int32_t mass = m.FindFeatName(u"MASS");
  const int32_t name = m.FindFeatName(u"name");
  out << "feature \"mass\" is number " << mass << "; object 26 is " << U8(m.FeatVal(name, 26))
      << " with mass " << m.FeatValAsDouble(mass, 26) << "\n";
  out << "bytes held by " << m.NObjects() * m.NFeatures() << " values: " << m.MemoryUsed() << "\n";
  out << "CSV delimiter of \"5.1;3.5,1.4;0.2\": "
      << U8(zel::CSVDELIMITERIDS[zel::DetectCSVDelimiter(u"5.1;3.5,1.4;0.2")])
      << ", parameter list "
      << U8(zel::CreateParList(zel::TIntArray{1, 2, 3, 4, 5}, false, 3, true)) << ", hex escapes "
      << U8(zel::ProcessHexChars(u"\\#41\\#42C")) << "\n";
}

}  // namespace

ZEL_TOOL_DEMO(45, "Feature matrix (TFeatureMatrix) and parameter lists", DemoFmat);
