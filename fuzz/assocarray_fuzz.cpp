// Fuzz target: TAssocArray::ReadFromXMLStream on arbitrary bytes.
//
// Properties checked: reading never crashes; a rejected block leaves the
// array exactly as it was; an accepted block writes and reads again to the
// same entries, and its XML form is stable; Resolve of every key gives the
// first entry with that key; AddXMLAttributes runs over the same text too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "zel/dstruct/assocarray.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/sysutils.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

zel::String XmlOf(const zel::TAssocArray& a) {
  zel::TMemoryStream s;
  a.WriteToXMLStream(s, false, a.DataID());
  return zel::String(s.Memory(), s.Memory() + s.Size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zel::TMemoryStream in;
  in.Write(data, static_cast<int64_t>(size));
  in.SetPosition(0);
  zel::TAssocArray a(nullptr);
  a.SetIgnoreCase(size % 2 == 0);
  a.Add(u"before", 1);
  const zel::String before = XmlOf(a);
  if (!a.ReadFromXMLStream(in, u"")) {
    Check(XmlOf(a) == before);
  } else {
    const zel::String xml = XmlOf(a);
    zel::TMemoryStream again;
    const std::string bytes(xml.begin(), xml.end());
    again.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    again.SetPosition(0);
    zel::TAssocArray b(nullptr);
    b.SetIgnoreCase(a.IgnoreCase());
    Check(b.ReadFromXMLStream(again, a.DataID()));
    Check(XmlOf(b) == xml);
    // Resolve finds the first entry whose key matches.
    for (int32_t i = 1; i <= a.NumEntries(); ++i) {
      const zel::String key = a.Keys(i);
      int32_t first = 1;
      while (a.IgnoreCase() ? zel::LowerCase(a.Keys(first)) != zel::LowerCase(key)
                            : a.Keys(first) != key)
        ++first;
      const zel::Variant got = a.Resolve(key), want = a.Values(first);
      Check(got.VarType() == want.VarType());
    }
  }
  zel::TAssocArray attrs(nullptr);
  const zel::String text(data, data + size);
  const int32_t added = attrs.AddXMLAttributes(text);
  Check(added >= 0 && attrs.NumEntries() <= added);
  return 0;
}
