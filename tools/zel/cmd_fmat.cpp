// zel fmat: feature matrix files (TFeatureMatrix) and CSV.
//
//   zel fmat info FILE             objects, and each feature with its number,
//                                  name, kind and the range of its values (a
//                                  run of features with default properties
//                                  and no values on one line); warns when
//                                  the values do not end at #featend
//   zel fmat from-csv [--no-header] IN OUT
//                                  a CSV table as a feature matrix: the
//                                  delimiter is detected from the first line,
//                                  the kind of each column guessed from its
//                                  values (tri-state, integer, floating
//                                  point, else string); the first line holds
//                                  the feature names unless --no-header
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

String FileArg(const std::string& name, bool output) {
  if (name == "-") return output ? u"/dev/stdout" : u"/dev/stdin";
  return zel::PathToFileName(name);
}

void LoadMatrix(const std::string& name, TFeatureMatrix& m) {
  switch (m.Load(FileArg(name, false))) {
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

zel::TFeatKind GuessKind(const std::vector<std::vector<String>>& rows, size_t col) {
  bool any = false, tri = true, integer = true, real = true;
  double v = 0;
  for (const auto& row : rows) {
    if (col >= row.size() || row[col].empty()) continue;
    const String& s = row[col];
    any = true;
    tri = tri && TriText(s);
    integer = integer && AsciiNumber(s, true, v);
    real = real && AsciiNumber(s, false, v);
  }
  if (!any) return zel::fkString;
  if (tri) return zel::fkTriState;
  if (integer) return zel::fkInteger;
  if (real) return zel::fkDouble;
  return zel::fkString;
}

int FromCsv(Args& args) {
  const bool no_header = args.Flag("no-header");
  args.RejectUnknownOptions();
  const auto& rest = args.Rest();
  if (rest.size() != 3) Fail("expected: from-csv IN OUT");
  const std::string& in = rest[1];
  const std::string& out = rest[2];
  std::vector<std::vector<String>> rows;
  std::vector<String> names;
  zel::TCSVDelimiters kind = zel::csvUnknown;
  try {
    zel::TextFile f(FileArg(in, false));
    f.Reset();
    bool first = true;
    while (!f.Eof()) {
      const String line = f.ReadLn();
      if (first) {
        kind = zel::DetectCSVDelimiter(line);
        first = false;
      }
      if (line.empty() && f.Eof()) break;
      const char16_t delim = kind == zel::csvUnknown ? u';' : zel::CSVDELIMITERS[kind];
      // A quoted field with a line break spans several lines; a feature
      // matrix file cannot hold such a value, so it is refused rather than
      // split into rows.
      if (zel_tool::EndsInsideQuotes(line, delim))
        throw RuntimeFailure{in, "row " + std::to_string(rows.size() + 1) +
                                     ": a quoted field holds a line break, which a feature"
                                     " matrix cannot store"};
      rows.push_back(zel_tool::SplitFields(line, delim));
    }
    f.Close();
  } catch (const zel::EInOutError& e) {
    throw RuntimeFailure{in, e.ErrorCode() > 0 && e.ErrorCode() < 100 ? std::strerror(e.ErrorCode())
                                                                      : U8(e.Message())};
  }
  if (!no_header && !rows.empty()) {
    names = std::move(rows.front());
    rows.erase(rows.begin());
  }
  size_t cols = names.size();
  for (const auto& r : rows) cols = std::max(cols, r.size());
  if (cols > static_cast<size_t>(INT32_MAX) || rows.size() > static_cast<size_t>(INT32_MAX))
    throw RuntimeFailure{in, "too large for a feature matrix"};
  TFeatureMatrix m(nullptr);
  m.SetName(u"fmat");
  m.Resize(static_cast<int32_t>(cols), static_cast<int32_t>(rows.size()));
  for (size_t c = 0; c < cols; ++c) {
    const auto fix = static_cast<int32_t>(c + 1);
    zel::TFeatMatProps& p = m.FeatProps(fix);
    p.SetFeatNum(fix);
    p.SetFeatName(c < names.size() && !names[c].empty() ? names[c]
                                                        : u"column" + zel::IntToStr(fix));
    p.SetFeatKind(GuessKind(rows, c));
    for (size_t r = 0; r < rows.size(); ++r)
      if (c < rows[r].size()) m.SetFeatValStr(fix, static_cast<int32_t>(r + 1), rows[r][c]);
  }
  try {
    m.Save(FileArg(out, true));
  } catch (const zel::EInOutError& e) {
    throw RuntimeFailure{out, e.ErrorCode() > 0 && e.ErrorCode() < 100
                                  ? std::strerror(e.ErrorCode())
                                  : U8(e.Message())};
  }
  std::cerr << "zel fmat: " << rows.size() << " objects, " << cols << " features, delimiter "
            << U8(zel::CSVDELIMITERIDS[kind]) << "\n";
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
                 "       zel fmat from-csv [--no-header] IN OUT\n"
                 "       zel fmat to-csv [--delim C] IN OUT",
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
