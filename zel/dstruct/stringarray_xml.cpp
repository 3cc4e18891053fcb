// XML persistence of TStringArray (the layout is described in stringarray.h).
#include <cstdint>
#include <vector>

#include "zel/dstruct/internal/xml_text.h"
#include "zel/dstruct/stringarray.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/textfile.h"
#include "zel/streams/xmltag.h"

namespace zel {

namespace {

// The most storage a grid read from a file may need (cell references of every
// column, sort index and attributes of every row). The file's header alone
// sets the dimensions, so without a bound a few bytes could ask for
// gigabytes.
constexpr int64_t kMaxLoadBytes = int64_t{1} << 29;

// Storage of a cols x rows grid allocated in steps of AllocRowsBy rows, as
// Resize lays it out, with each column's vector counted at 32 bytes of
// bookkeeping.
int64_t GridBytes(int64_t cols, int64_t rows, int32_t alloc_rows_by) {
  const int64_t step = alloc_rows_by < 1 ? 1 : alloc_rows_by;
  const int64_t cap = (rows + step - 1) / step * step;  // below 2^33
  const int64_t per_column = cap * 4 + 32;
  if (cols + 1 > kMaxLoadBytes / per_column) return INT64_MAX;  // and no overflow
  return (cols + 1) * per_column + cap * 5 + cols;
}

// An element of the block, kept until the whole block has been read.
struct CellEntry {
  int32_t c, r;
  String text;
};
struct AttribEntry {
  int32_t index;
  Byte value;
};

// The grid's XML is stored as UTF-8, which cannot hold a lone surrogate, so
// references to one are refused.
bool Unescape(const String& s, String& out) {
  return internal::XmlUnescape(s, out, internal::SurrogateRefs::kRefuse);
}

String Escape(const String& s) {
  String out;
  out.reserve(s.size());
  for (Char ch : s) {
    switch (ch) {
      case u'&':
        out += u"&amp;";
        break;
      case u'<':
        out += u"&lt;";
        break;
      case u'>':
        out += u"&gt;";
        break;
      case u'"':
        out += u"&quot;";
        break;
      default:
        if (ch < 0x20 || ch == 0x7F || (ch >= 0x80 && ch <= 0x9F)) {
          out += u"&#";
          out += IntToStr(ch);
          out += u';';
        } else {
          out += ch;
        }
    }
  }
  return out;
}

// Plain decimal digits (no sign, no blanks) within 0..Max.
bool ParseIndex(const String& s, int64_t Max, int64_t& value) {
  if (s.empty() || s.size() > 10) return false;
  value = 0;
  for (Char d : s) {
    if (d < u'0' || d > u'9') return false;
    value = value * 10 + (d - u'0');
  }
  return value <= Max;
}

bool Attrib(const String& attribs, const char16_t* name, int64_t max, int64_t& value) {
  return ParseIndex(ScanForXMLAttrib(attribs, name), max, value);
}

}  // namespace

void TStringArray::WriteToOpenXMLFile(TextFile& F, bool CreateHeader, const String& DataID) const {
  if (CreateHeader) F.WriteLn(u"<?xml version=\"1.0\"?>");
  F.WriteLn();
  F.WriteLn(u"<!-- TStringArray / Zelorbita -->");
  F.WriteLn(u"<stringarray sig=\"Zelorbita\" vers=\"1.0\" id=\"" + Escape(DataID) + u"\" cols=\"" +
            IntToStr(FNCol) + u"\" rows=\"" + IntToStr(FNRow) + u"\">");
  for (int32_t c = 1; c <= FNCol; ++c)
    if (const Byte b = GetColAttrib(c))
      F.WriteLn(u"  <colattrib c=\"" + IntToStr(c) + u"\" val=\"" + IntToStr(b) + u"\" />");
  for (int32_t r = 1; r <= FNRow; ++r)
    if (const Byte b = GetRowAttrib(r))
      F.WriteLn(u"  <rowattrib r=\"" + IntToStr(r) + u"\" val=\"" + IntToStr(b) + u"\" />");
  for (int32_t r = 1; r <= FNRow; ++r) {
    const int32_t p = Phys(r);
    for (int32_t c = 0; c <= FNCol; ++c) {
      const uint8_t* t = CellBytes(c, p);
      if (t == nullptr || t[0] == 0) continue;
      F.WriteLn(u"  <cell c=\"" + IntToStr(c) + u"\" r=\"" + IntToStr(r) + u"\">" +
                Escape(CellText(c, p)) + u"</cell>");
    }
  }
  F.WriteLn(u"</stringarray>");
}

void TStringArray::SaveAsXMLFile(const String& FName, const String& DataID) const {
  TextFile f(FName);
  f.Rewrite();
  WriteToOpenXMLFile(f, true, DataID);
  f.Close();
}

bool TStringArray::ReadFromOpenXMLFile(TextFile& F, const String& DataID) {
  const String wanted = LowerCase(DataID);
  // 1. The block header: a line holding "<stringarray" with the signature
  //    and, unless the wanted id is empty, that id.
  String attribs;
  for (;;) {
    if (F.Eof()) return false;
    const String line = F.ReadLn();
    const String low = LowerCase(line);
    const size_t at = low.find(u"<stringarray");
    if (at == String::npos) continue;
    const size_t gt = line.find(u'>', at);
    if (gt == String::npos) continue;
    const size_t name_end = at + 12;
    if (name_end < gt && line[name_end] != u' ') continue;
    attribs = line.substr(name_end, gt - name_end);
    if (!attribs.empty() && attribs.back() == u'/') continue;  // an empty block is no block
    if (LowerCase(ScanForXMLAttrib(attribs, u"sig")) != u"zelorbita") continue;
    if (!wanted.empty()) {
      String id;
      if (!Unescape(ScanForXMLAttrib(attribs, u"id"), id) || LowerCase(id) != wanted) continue;
    }
    break;
  }
  int64_t cols = 0, rows = 0;
  if (!Attrib(attribs, u"cols", INT32_MAX, cols) || !Attrib(attribs, u"rows", INT32_MAX, rows) ||
      cols < 1 || rows < 1 || GridBytes(cols, rows, FAllocRowsBy) > kMaxLoadBytes)
    return false;

  // 2. The elements, gathered before any storage is sized by the header, so a
  //    damaged or truncated block costs no more than the file holds and
  //    changes nothing.
  return GuardAllocation([&] {
    std::vector<CellEntry> cells;
    std::vector<AttribEntry> row_attribs, col_attribs;
    static const std::vector<String> kTags = {u"cell",         u"rowattrib", u"colattrib",
                                              u"/stringarray", u"",          u"*"};
    String contents, text;
    for (bool done = false; !done;) {
      const int32_t tag = ReadNextTagInTextFile(F, kTags, attribs, contents);
      int64_t c = 0, r = 0, v = 0;
      switch (tag) {
        case 0:  // cell
          if (!Attrib(attribs, u"c", cols, c) || !Attrib(attribs, u"r", rows, r) || r < 1 ||
              !Unescape(contents, text))
            return false;
          cells.push_back({static_cast<int32_t>(c), static_cast<int32_t>(r), text});
          break;
        case 1:  // rowattrib
          if (!Attrib(attribs, u"r", rows, r) || r < 1 || !Attrib(attribs, u"val", 255, v))
            return false;
          row_attribs.push_back({static_cast<int32_t>(r), static_cast<Byte>(v)});
          break;
        case 2:  // colattrib
          if (!Attrib(attribs, u"c", cols, c) || c < 1 || !Attrib(attribs, u"val", 255, v))
            return false;
          col_attribs.push_back({static_cast<int32_t>(c), static_cast<Byte>(v)});
          break;
        case 3:  // end of the block
          done = true;
          break;
        case 4:  // end of the file (or a tag without a name): truncated or damaged
          return false;
        default:  // an element this version does not know
          break;
      }
    }
    // 3. The grid, in the order the elements came (a later one wins).
    TStringArray fresh(nullptr);
    fresh.SetAllocRowsBy(FAllocRowsBy);
    if (!fresh.Resize(static_cast<int32_t>(cols), static_cast<int32_t>(rows))) return false;
    for (const CellEntry& e : cells) fresh.SetString(e.c, e.r, e.text);
    for (const AttribEntry& e : row_attribs) fresh.SetRowAttrib(e.index, e.value);
    for (const AttribEntry& e : col_attribs) fresh.SetColAttrib(e.index, e.value);
    SwapContents(fresh);
    Changed();
    return true;
  });
}

bool TStringArray::LoadFromXMLFile(const String& FName, const String& DataID) {
  try {
    TextFile f(FName);
    f.Reset();
    TStringArray fresh(nullptr);
    fresh.SetAllocRowsBy(FAllocRowsBy);
    if (!fresh.ReadFromOpenXMLFile(f, DataID)) return false;
    SwapContents(fresh);
  } catch (const Exception&) {
    return false;
  }
  Changed();
  return true;
}

}  // namespace zel
