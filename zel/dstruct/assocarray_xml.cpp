// XML form of TAssocArray (the layout is described in assocarray.h).
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

#include "zel/base/internal/xml_attrib.h"
#include "zel/dstruct/assocarray.h"
#include "zel/dstruct/internal/assoc_index.h"
#include "zel/dstruct/internal/component_error.h"
#include "zel/dstruct/internal/xml_text.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/sysutils.h"
#include "zel/streams/primitives.h"
#include "zel/streams/xmltag.h"
#include "zel/stringl/xmltag.h"

namespace zel {

namespace {

constexpr char16_t kBlockTag[] = u"assocarray";
constexpr char16_t kEndTag[] = u"</assocarray>";
constexpr int kMaxDepth = 32;  // arrays of arrays, nested at most this deep
// Shortest element ("<item type="0"/>") bounds the number of elements a text
// of a given length can describe.
constexpr size_t kMinItemChars = 16;

bool IsSignedInt(TVarType t) {
  return t == varSmallint || t == varInteger || t == varShortInt || t == varInt64;
}
bool IsUnsignedInt(TVarType t) {
  return t == varByte || t == varWord || t == varLongWord || t == varUInt64;
}
bool IsText(TVarType t) { return t == varOleStr || t == varString || t == varUString; }
bool IsScalarCode(TVarType t) {
  return t == varEmpty || t == varNull || IsSignedInt(t) || IsUnsignedInt(t) || t == varSingle ||
         t == varDouble || t == varDate || t == varBoolean || IsText(t);
}

String Ascii(const std::string& s) { return String(s.begin(), s.end()); }

// NaNs keep their sign and payload. The mantissa fields of the two real
// formats and the mantissa of the quiet NaN that "nan" reads as.
struct RealBits {
  uint64_t mantissa;
  uint64_t quiet;
};
constexpr RealBits kDoubleBits{(uint64_t{1} << 52) - 1, uint64_t{1} << 51};
constexpr RealBits kSingleBits{(uint64_t{1} << 23) - 1, uint64_t{1} << 22};

// "nan" or "-nan" for the quiet NaN without payload, else with its mantissa
// field in hexadecimal: "nan(0x1)", "-nan(0x8000000012345)".
String NanText(bool Negative, uint64_t Mantissa, const RealBits& Format) {
  std::string s = Negative ? "-nan" : "nan";
  if (Mantissa != Format.quiet) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, Mantissa, 16);
    s.append("(0x").append(buf, r.ptr).append(")");
  }
  return Ascii(s);
}

// Whether Text names a NaN (an optional "-", then "nan" in any case).
bool IsNanText(const String& Text) {
  const size_t at = !Text.empty() && Text[0] == u'-' ? 1 : 0;
  return Text.size() >= at + 3 && LowerCase(Text.substr(at, 3)) == u"nan";
}

// Reads a text that IsNanText accepted: the sign, and the mantissa field of
// Format (the quiet NaN's when the text gives none). False when the payload
// is malformed, 0 (an infinity) or wider than the field.
bool ParseNan(const String& Text, const RealBits& Format, bool& Negative, uint64_t& Mantissa) {
  Negative = Text[0] == u'-';
  const String rest = Text.substr(Negative ? 4 : 3);
  if (rest.empty()) {
    Mantissa = Format.quiet;
    return true;
  }
  if (rest.size() < 5 || rest.size() > 20 || rest.compare(0, 3, u"(0x") != 0 ||
      rest.back() != u')')
    return false;
  const std::string hex(rest.begin() + 3, rest.end() - 1);
  for (char16_t c : rest)
    if (c > 0x7F) return false;
  const auto r = std::from_chars(hex.data(), hex.data() + hex.size(), Mantissa, 16);
  return r.ec == std::errc() && r.ptr == hex.data() + hex.size() && Mantissa != 0 &&
         Mantissa <= Format.mantissa;
}

// The value text of a scalar (escaped).
String ValueText(const Variant& v) {
  const TVarType t = v.VarType();
  char buf[64];
  std::to_chars_result r{buf, std::errc()};
  if (IsSignedInt(t)) {
    r = std::to_chars(buf, buf + sizeof buf, v.AsInt64());
  } else if (IsUnsignedInt(t)) {
    r = std::to_chars(buf, buf + sizeof buf, v.AsUInt64());
  } else if (t == varSingle) {
    const auto f = static_cast<float>(v.AsDouble());
    const auto bits = std::bit_cast<uint32_t>(f);
    if (std::isnan(f)) return NanText(bits >> 31 != 0, bits & kSingleBits.mantissa, kSingleBits);
    r = std::to_chars(buf, buf + sizeof buf, f);
  } else if (t == varDouble || t == varDate) {
    const double d = t == varDate ? v.AsDateTime() : v.AsDouble();
    const auto bits = std::bit_cast<uint64_t>(d);
    if (std::isnan(d)) return NanText(bits >> 63 != 0, bits & kDoubleBits.mantissa, kDoubleBits);
    r = std::to_chars(buf, buf + sizeof buf, d);
  } else if (t == varBoolean) {
    return v.AsBoolean() ? u"True" : u"False";
  } else if (IsText(t)) {
    return internal::XmlEscapeAscii(v.AsString());
  } else {
    return String();  // empty, null
  }
  return Ascii(std::string(buf, r.ptr));
}

// One element: the entry element (with its key) or an item; arrays are
// followed by their elements.
void WriteValue(TStream& out, const String& head, const Variant& v, const char16_t* tag) {
  const TVarType t = v.VarType();
  String line = u"  <";
  line += tag;
  line += head;
  line += u" type=\"" + IntToStr(t) + u"\"";
  if (v.IsArray()) {
    const int lo = VarArrayLowBound(v, 1);
    const int hi = VarArrayHighBound(v, 1);
    line += u" lo=\"" + IntToStr(lo) + u"\" hi=\"" + IntToStr(hi) + u"\" />";
    WriteLnStream(out, line);
    // 64 bits: hi may be the largest Integer.
    for (int64_t i = lo; i <= hi; ++i) WriteValue(out, String(), v[static_cast<int>(i)], u"item");
    return;
  }
  if (t == varEmpty || t == varNull || !IsScalarCode(t)) {
    WriteLnStream(out, line + u" />");
    return;
  }
  line += u'>';
  line += ValueText(v);
  line += u"</";
  line += tag;
  line += u'>';
  WriteLnStream(out, line);
}

// Why V cannot be written so that it reads back, or empty when it can:
// arrays nested deeper than the reader takes (Depth counts the arrays around
// V), or a type code without a written form.
String Unwritable(const Variant& V, int Depth) {
  if (!V.IsArray())
    return IsScalarCode(V.VarType()) ? String()
                                     : u"holds a value of type " + IntToStr(V.VarType());
  if (Depth >= kMaxDepth)
    return u"holds arrays nested more than " + IntToStr(kMaxDepth) + u" deep";
  const int lo = VarArrayLowBound(V, 1);
  const int hi = VarArrayHighBound(V, 1);
  for (int64_t i = lo; i <= hi; ++i) {
    String why = Unwritable(V[static_cast<int>(i)], Depth + 1);
    if (!why.empty()) return why;
  }
  return String();
}

// ---- reading --------------------------------------------------------------------

bool ParseInt64(const String& s, int64_t& v) {
  if (s.empty() || s.size() > 24) return false;
  std::string a(s.begin(), s.end());
  for (char16_t c : s)
    if (c > 0x7F) return false;
  const auto r = std::from_chars(a.data(), a.data() + a.size(), v);
  return r.ec == std::errc() && r.ptr == a.data() + a.size();
}

bool ParseUInt64(const String& s, uint64_t& v) {
  if (s.empty() || s.size() > 24) return false;
  std::string a(s.begin(), s.end());
  for (char16_t c : s)
    if (c > 0x7F) return false;
  const auto r = std::from_chars(a.data(), a.data() + a.size(), v);
  return r.ec == std::errc() && r.ptr == a.data() + a.size();
}

template <typename F>
bool ParseFloat(const String& s, F& v) {
  if (s.empty() || s.size() > 64) return false;
  std::string a(s.begin(), s.end());
  for (char16_t c : s)
    if (c > 0x7F) return false;
  const auto r = std::from_chars(a.data(), a.data() + a.size(), v);
  return r.ec == std::errc() && r.ptr == a.data() + a.size();
}

// A scalar of type t from its (escaped) text.
bool ParseScalar(TVarType t, const String& text, Variant& v) {
  if (t == varEmpty || t == varNull) {
    if (!text.empty()) return false;
    v = t == varNull ? Null() : Variant();
    return true;
  }
  if (IsSignedInt(t)) {
    int64_t x;
    if (!ParseInt64(text, x)) return false;
    v = VarAsType(Variant(static_cast<long long>(x)), t);  // range checked
    return true;
  }
  if (IsUnsignedInt(t)) {
    uint64_t x;
    if (!ParseUInt64(text, x)) return false;
    v = VarAsType(Variant(static_cast<unsigned long long>(x)), t);
    return true;
  }
  if (t == varSingle) {
    float x;
    if (IsNanText(text)) {
      bool negative;
      uint64_t mantissa;
      if (!ParseNan(text, kSingleBits, negative, mantissa)) return false;
      x = std::bit_cast<float>(static_cast<uint32_t>((negative ? 0xFF800000u : 0x7F800000u) |
                                                     mantissa));
    } else if (!ParseFloat(text, x)) {
      return false;
    }
    v = Variant(x);
    return true;
  }
  if (t == varDouble || t == varDate) {
    double x;
    if (IsNanText(text)) {
      bool negative;
      uint64_t mantissa;
      if (!ParseNan(text, kDoubleBits, negative, mantissa)) return false;
      x = std::bit_cast<double>((negative ? 0xFFF0000000000000u : 0x7FF0000000000000u) |
                                mantissa);
    } else if (!ParseFloat(text, x)) {
      return false;
    }
    v = t == varDate ? VarFromDateTime(x) : Variant(x);
    return true;
  }
  if (t == varBoolean) {
    const String low = LowerCase(text);
    if (low != u"true" && low != u"false") return false;
    v = Variant(low == u"true");
    return true;
  }
  if (IsText(t)) {
    String s;
    if (!internal::XmlUnescape(text, s)) return false;
    v = Variant(std::move(s));
    if (t != varUString) v = VarAsType(v, t);
    return true;
  }
  return false;
}

bool ParseTypeCode(const String& s, TVarType& t) {
  int64_t x;
  if (!ParseInt64(s, x) || x < 0 || x > 0xFFFF) return false;
  t = static_cast<TVarType>(x);
  return true;
}

// Reads the elements of one block from its contents.
class BlockReader {
 public:
  explicit BlockReader(const String& contents) : text_(contents) {}

  // Reads the entries; false on any fault.
  bool Read(std::vector<String>& keys, std::vector<Variant>& values) {
    for (;;) {
      String attribs, contents;
      const int32_t tag = ReadNextTagInString(text_, pos_, kTags(), attribs, contents);
      if (tag == kEndOfText) return true;
      if (tag != kEntry) continue;  // an element this version does not know
      String key;
      if (!internal::XmlUnescape(ScanForXMLAttrib(attribs, u"key"), key)) return false;
      Variant v;
      if (!ReadValue(attribs, contents, v, 0)) return false;
      keys.push_back(std::move(key));
      values.push_back(std::move(v));
    }
  }

 private:
  enum { kEntry, kItem, kEndOfText, kOther };
  static const std::vector<String>& kTags() {
    static const std::vector<String> tags = {u"entry", u"item", u"", u"*"};
    return tags;
  }

  bool ReadValue(const String& attribs, const String& contents, Variant& v, int depth) {
    TVarType t;
    if (!ParseTypeCode(ScanForXMLAttrib(attribs, u"type"), t)) return false;
    if ((t & varArray) == 0) return ParseScalar(t, contents, v);
    int64_t lo, hi;
    const TVarType elem = t & varTypeMask;
    if (t != (varArray | elem) || depth >= kMaxDepth || !contents.empty() ||
        !ParseInt64(ScanForXMLAttrib(attribs, u"lo"), lo) ||
        !ParseInt64(ScanForXMLAttrib(attribs, u"hi"), hi) || lo < INT32_MIN || lo > INT32_MAX ||
        hi < lo - 1 || hi < INT32_MIN || hi > INT32_MAX)
      return false;
    // Each element needs an item of its own in the text that is left.
    const auto left = text_.size() - static_cast<size_t>(pos_ - 1);
    if (static_cast<uint64_t>(hi - lo + 1) > left / kMinItemChars + 1) return false;
    v = VarArrayCreate(static_cast<int>(lo), static_cast<int>(hi), elem);
    for (int64_t i = lo; i <= hi; ++i) {
      String a, c;
      if (ReadNextTagInString(text_, pos_, kTags(), a, c) != kItem) return false;
      Variant item;
      if (!ReadValue(a, c, item, depth + 1)) return false;
      // Any element may hold a value of another type than its array's.
      v[static_cast<int>(i)] = std::move(item);
    }
    return true;
  }

  const String& text_;
  int32_t pos_ = 1;
};

// True when the bytes just before the stream's position are the block's end
// tag (ASCII case ignored); the position is kept.
bool EndsWithEndTag(TStream& s) {
  const String end = kEndTag;
  const int64_t here = s.Position();
  if (here < static_cast<int64_t>(end.size())) return false;
  s.SetPosition(here - static_cast<int64_t>(end.size()));
  std::string bytes(end.size(), '\0');
  const int64_t got = s.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
  s.SetPosition(here);
  if (got != static_cast<int64_t>(bytes.size())) return false;
  return LowerCase(String(bytes.begin(), bytes.end())) == end;
}

}  // namespace

void TAssocArray::WriteToXMLStream(TStream& OutStream, bool CreateHeader,
                                   const String& DataID) const {
  for (int32_t i = 0; i < FNEntries; ++i) {
    const String why = Unwritable(FDataArray[static_cast<size_t>(i)], 0);
    if (!why.empty())
      internal::RaiseComponentError(*this, u"entry " + IntToStr(i + 1) + u" (\"" +
                                               FKeyArray[static_cast<size_t>(i)] + u"\") " + why);
  }
  if (CreateHeader) WriteLnStream(OutStream, u"<?xml version=\"1.0\"?>");
  WriteLnStream(OutStream, u"<!-- TAssocArray / Zelorbita -->");
  WriteLnStream(OutStream, u"<assocarray sig=\"Zelorbita\" vers=\"1.0\" id=\"" +
                               internal::XmlEscapeAscii(DataID) + u"\" entries=\"" +
                               IntToStr(FNEntries) + u"\">");
  for (int32_t i = 0; i < FNEntries; ++i) {
    const auto p = static_cast<size_t>(i);
    WriteValue(OutStream, u" key=\"" + internal::XmlEscapeAscii(FKeyArray[p]) + u"\"",
               FDataArray[p], u"entry");
  }
  WriteLnStream(OutStream, kEndTag);
}

bool TAssocArray::ReadFromXMLStream(TStream& InStream, const String& DataID) {
  const String wanted = LowerCase(DataID);
  String attribs, contents, id;
  for (;;) {
    if (!ScanStreamForXMLTag(InStream, kBlockTag, attribs, contents, {})) return false;
    if (LowerCase(ScanForXMLAttrib(attribs, u"sig")) != u"zelorbita") continue;
    if (!internal::XmlUnescape(ScanForXMLAttrib(attribs, u"id"), id)) continue;
    if (wanted.empty() || LowerCase(id) == wanted) break;
  }
  int64_t count = 0;
  if (!ParseInt64(ScanForXMLAttrib(attribs, u"entries"), count) || count < 0 || count > INT32_MAX)
    return false;
  if (count > 0 && !EndsWithEndTag(InStream)) return false;  // truncated
  std::vector<String> keys;
  std::vector<Variant> values;
  try {
    BlockReader reader(contents);
    if (!reader.Read(keys, values)) return false;
  } catch (const EVariantError&) {
    return false;  // a value outside the range of its type
  } catch (const EConvertError&) {
    return false;
  }
  if (static_cast<int64_t>(keys.size()) != count) return false;
  FKeyArray.swap(keys);
  FDataArray.swap(values);
  FNEntries = static_cast<int32_t>(count);
  FCapacity = std::max(FCapacity, FNEntries);
  FDataID = id;
  index_.reset();
  return true;
}

int32_t TAssocArray::AddXMLAttributes(const String& Attributes) {
  int32_t added = 0;
  size_t pos = 0;
  String name, value;
  while (internal::ParseXmlAttribute(Attributes, pos, name, value) == 0) {
    const size_t first = name.find_first_not_of(u' ');
    if (first == String::npos) continue;
    name = name.substr(first, name.find_last_not_of(u' ') - first + 1);
    Add(name, Variant(internal::XmlUnescapeLenient(value)));
    ++added;
  }
  return added;
}

}  // namespace zel
