// Fuzz target: the XML form of TAssocArray, read from arbitrary bytes and
// written from arrays built through the public API.
//
// Reading arbitrary bytes: reading never crashes; a rejected block leaves the
// array exactly as it was; an accepted block writes and reads again to the
// same entries, and its XML form is stable; Resolve of every key gives the
// first entry with that key; AddXMLAttributes runs over the same text too.
//
// Writing what the API built: the same bytes drive Add, Remove, SetKeys,
// SetValues and SetIgnoreCase with values of every type a Variant holds
// (raw bit patterns for reals, any UTF-16 unit in texts, arrays of every
// element type with any bounds, elements of other types than the array's,
// nested arrays). The block written either reads back to the same keys,
// values, types, bounds and bits and writes again to the same text, or the
// writer refuses it before writing a single byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "zel/base/errors.h"
#include "zel/dstruct/assocarray.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/sysutils.h"
#include "zel/runtime/variant.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
  }
}

zel::String XmlOf(const zel::TAssocArray& a, bool header = false) {
  zel::TMemoryStream s;
  a.WriteToXMLStream(s, header, a.DataID());
  return zel::String(s.Memory(), s.Memory() + s.Size());
}

void ReadArbitraryBytes(const uint8_t* data, size_t size) {
  zel::TMemoryStream in;
  in.Write(data, static_cast<int64_t>(size));
  in.SetPosition(0);
  zel::TAssocArray a(nullptr);
  a.SetIgnoreCase(size % 2 == 0);
  a.Add(u"before", 1);
  const zel::String before = XmlOf(a);
  if (!a.ReadFromXMLStream(in, u"")) {
    Check(XmlOf(a) == before, "a rejected block leaves the array as it was");
  } else {
    const zel::String xml = XmlOf(a);
    zel::TMemoryStream again;
    const std::string bytes(xml.begin(), xml.end());
    again.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    again.SetPosition(0);
    zel::TAssocArray b(nullptr);
    b.SetIgnoreCase(a.IgnoreCase());
    Check(b.ReadFromXMLStream(again, a.DataID()), "an accepted block reads again");
    Check(XmlOf(b) == xml, "the XML form of an accepted block is stable");
    // Resolve finds the first entry whose key matches.
    for (int32_t i = 1; i <= a.NumEntries(); ++i) {
      const zel::String key = a.Keys(i);
      int32_t first = 1;
      while (a.IgnoreCase() ? zel::LowerCase(a.Keys(first)) != zel::LowerCase(key)
                            : a.Keys(first) != key)
        ++first;
      const zel::Variant got = a.Resolve(key), want = a.Values(first);
      Check(got.VarType() == want.VarType(), "Resolve finds the first matching entry");
    }
  }
  zel::TAssocArray attrs(nullptr);
  const zel::String text(data, data + size);
  const int32_t added = attrs.AddXMLAttributes(text);
  Check(added >= 0 && attrs.NumEntries() <= added, "AddXMLAttributes counts what it added");
}

// ---- building arrays through the API -------------------------------------------

// The input read as a sequence of numbers; zeros once it is used up.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : p_(data), n_(size) {}
  bool Empty() const { return n_ == 0; }
  uint8_t U8() {
    if (n_ == 0) return 0;
    --n_;
    return *p_++;
  }
  uint64_t Bits(int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint64_t{U8()} << (8 * i);
    return v;
  }

 private:
  const uint8_t* p_;
  size_t n_;
};

constexpr int kDeepest = 40;  // beyond the depth the XML form takes

zel::String MakeText(Input& in) {
  zel::String s;
  for (int n = in.U8() % 12; n > 0; --n) {
    const uint8_t b = in.U8();
    // Mostly printable ASCII; sometimes any UTF-16 unit (surrogates, 0).
    s.push_back(b < 0xE0 ? static_cast<char16_t>(b % 0x60 + 0x20)
                         : static_cast<char16_t>(in.Bits(2)));
  }
  return s;
}

zel::Variant MakeValue(Input& in, int depth, int& budget);

zel::Variant MakeArray(Input& in, int depth, int& budget) {
  static constexpr zel::TVarType kElementTypes[] = {
      zel::varSmallint, zel::varInteger, zel::varSingle,  zel::varDouble,   zel::varDate,
      zel::varOleStr,   zel::varBoolean, zel::varVariant, zel::varShortInt, zel::varByte,
      zel::varWord,     zel::varLongWord, zel::varInt64,  zel::varUInt64,   zel::varString,
      zel::varUString};
  const zel::TVarType elem = kElementTypes[in.U8() % std::size(kElementTypes)];
  int64_t count = in.U8() % 6;
  if (count > budget) count = budget;
  budget -= static_cast<int>(count);
  int64_t lo = 0;
  switch (in.U8() % 4) {
    case 0:
      lo = static_cast<int8_t>(in.U8());
      break;
    case 1:
      lo = INT32_MAX;  // up to the largest bound (clamped below)
      break;
    case 2:
      lo = INT32_MIN;
      break;
    default:
      lo = static_cast<int32_t>(in.Bits(4));
  }
  // Both bounds are Integers (an empty array has hi = lo - 1).
  const int64_t lowest = count == 0 ? int64_t{INT32_MIN} + 1 : INT32_MIN;
  const int64_t highest = int64_t{INT32_MAX} - (count == 0 ? 0 : count - 1);
  lo = std::clamp(lo, lowest, highest);
  zel::Variant a =
      zel::VarArrayCreate(static_cast<int>(lo), static_cast<int>(lo + count - 1), elem);
  for (int64_t i = lo; i < lo + count; ++i)
    if (in.U8() % 2 != 0) a[static_cast<int>(i)] = MakeValue(in, depth + 1, budget);
  return a;
}

// A value of the type the input picks.
zel::Variant MakeValue(Input& in, int depth, int& budget) {
  const uint8_t kind = in.U8() % 20;
  switch (kind) {
    case 0:
      return zel::Variant();
    case 1:
      return zel::Null();
    case 2:
      return zel::Variant(static_cast<signed char>(in.U8()));
    case 3:
      return zel::Variant(static_cast<unsigned char>(in.U8()));
    case 4:
      return zel::Variant(static_cast<short>(in.Bits(2)));
    case 5:
      return zel::Variant(static_cast<unsigned short>(in.Bits(2)));
    case 6:
      return zel::Variant(static_cast<int>(in.Bits(4)));
    case 7:
      return zel::Variant(static_cast<unsigned>(in.Bits(4)));
    case 8:
      return zel::Variant(static_cast<long long>(in.Bits(8)));
    case 9:
      return zel::Variant(static_cast<unsigned long long>(in.Bits(8)));
    case 10: {
      const auto bits = static_cast<uint32_t>(in.Bits(4));
      float f;
      std::memcpy(&f, &bits, sizeof f);
      return zel::Variant(f);
    }
    case 11:
    case 12: {
      const uint64_t bits = in.Bits(8);
      double d;
      std::memcpy(&d, &bits, sizeof d);
      return kind == 11 ? zel::Variant(d) : zel::VarFromDateTime(d);
    }
    case 13:
      return zel::Variant(in.U8() % 2 != 0);
    case 14:
      return zel::VarAsType(zel::Variant(MakeText(in)), zel::varOleStr);
    case 15:
      return zel::VarAsType(zel::Variant(MakeText(in)), zel::varString);
    case 16:
      return zel::Variant(MakeText(in));
    default:
      if (depth >= kDeepest || budget <= 0) return zel::Variant(MakeText(in));
      return MakeArray(in, depth, budget);
  }
}

// Same type, bounds and value; reals compared by their bits.
bool Same(const zel::Variant& a, const zel::Variant& b) {
  if (a.VarType() != b.VarType()) return false;
  if (a.IsArray()) {
    const int lo = zel::VarArrayLowBound(a, 1), hi = zel::VarArrayHighBound(a, 1);
    if (zel::VarArrayLowBound(b, 1) != lo || zel::VarArrayHighBound(b, 1) != hi) return false;
    for (int64_t i = lo; i <= hi; ++i)
      if (!Same(a[static_cast<int>(i)], b[static_cast<int>(i)])) return false;
    return true;
  }
  const zel::TVarType t = a.VarType();
  if (t == zel::varSingle || t == zel::varDouble || t == zel::varDate) {
    const double x = a.AsDouble(), y = b.AsDouble();
    return std::memcmp(&x, &y, sizeof x) == 0;
  }
  return a == b;
}

void WriteWhatTheApiBuilt(const uint8_t* data, size_t size) {
  Input in(data, size);
  zel::TAssocArray a(nullptr);
  const uint8_t flags = in.U8();
  a.SetIgnoreCase((flags & 1) != 0);
  const bool header = (flags & 2) != 0;
  const zel::String id = MakeText(in);
  int budget = 4000;  // array elements in all
  for (int ops = 0; ops < 64 && !in.Empty(); ++ops) {
    const uint8_t op = in.U8() % 8;
    if (op <= 3) {
      const zel::String key = MakeText(in);
      a.Add(key, MakeValue(in, 0, budget));
    } else if (op == 4) {
      a.Remove(MakeText(in));
    } else if (op == 5) {
      a.SetKeys(in.U8() % (a.NumEntries() + 2), MakeText(in));
    } else if (op == 6) {
      const int32_t ix = in.U8() % (a.NumEntries() + 2);
      a.SetValues(ix, MakeValue(in, 0, budget));
    } else {
      a.SetIgnoreCase(!a.IgnoreCase());
    }
  }
  zel::TMemoryStream out;
  try {
    a.WriteToXMLStream(out, header, id);
  } catch (const zel::EZELDStructError&) {
    Check(out.Size() == 0, "a refused block writes nothing");
    return;
  }
  out.SetPosition(0);
  zel::TAssocArray b(nullptr);
  b.Add(u"old", 1);
  Check(b.ReadFromXMLStream(out, id), "a written block reads back");
  Check(out.Position() == out.Size() - 2, "the reader stops after the end tag");
  Check(b.DataID() == id, "the id reads back");
  Check(b.NumEntries() == a.NumEntries(), "every entry reads back");
  for (int32_t i = 1; i <= a.NumEntries(); ++i) {
    Check(b.Keys(i) == a.Keys(i), "keys read back");
    Check(Same(b.Values(i), a.Values(i)), "values read back with their types and bits");
  }
  Check(XmlOf(b, header) == zel::String(out.Memory(), out.Memory() + out.Size()),
        "what was read writes the same text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadArbitraryBytes(data, size);
  WriteWhatTheApiBuilt(data, size);
  return 0;
}
