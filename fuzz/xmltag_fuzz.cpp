// The XML tag scanner: ReadNextTagInStream over the bytes, repeated to the
// end, must agree with the string form ReadNextTagInString on the same text
// and across stream classes; every attribute text goes through
// ScanForXMLAttrib; ScanStringForXMLTag and ReadStreamUntilTagList run too.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "streams_fuzz_support.h"
#include "zel/streams/xmltag.h"
#include "zel/stringl/xmltag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::vector<zel::String> kTags = {u"a", u"item", u"/item", u"", u"x"};
  zel::TMemoryStream mem;
  zel_fuzz::MakeMemory(mem, data, size);
  zel_fuzz::TwoByteWindowStream two(data, size);
  const zel::String text(data, data + size);  // one character per byte
  int32_t pos = 1;
  for (int guard = 0;; ++guard) {
    zel_fuzz::Check(guard <= static_cast<int>(size) + 1);
    zel::String a1, c1, a2, c2, a3, c3;
    const int64_t before = mem.Position();
    const int32_t i1 = zel::ReadNextTagInStream(mem, kTags, a1, c1);
    const int32_t i2 = zel::ReadNextTagInStream(two, kTags, a2, c2);
    const int32_t i3 = zel::ReadNextTagInString(text, pos, kTags, a3, c3);
    zel_fuzz::Check(i1 == i2 && i1 == i3 && a1 == a2 && a1 == a3 && c1 == c2 && c1 == c3);
    zel_fuzz::Check(i1 >= 0 && i1 < static_cast<int32_t>(kTags.size()));
    zel_fuzz::Check(mem.Position() == two.Position() && mem.Position() + 1 == pos);
    zel_fuzz::Check(c1.size() <= size && a1.size() <= size);
    for (const zel::String name : {u"id", u"a", u"", u"name"}) {
      const zel::String v = zel::ScanForXMLAttrib(a1, name);
      zel_fuzz::Check(v.size() <= a1.size());
    }
    if (mem.Position() == before) break;  // nothing left to read
  }
  zel_fuzz::Check(mem.Position() == static_cast<int64_t>(size));
  zel::String attr, contents;
  int32_t next = 1;
  for (int guard = 0; next != 0; ++guard) {
    zel_fuzz::Check(guard <= static_cast<int>(size) + 1);
    const int32_t at = zel::ScanStringForXMLTag(text, next, u"Item", attr, contents);
    zel_fuzz::Check(at == 0 || at > next);
    next = at;
  }
  mem.SetPosition(0);
  int32_t ix = 0;
  for (int guard = 0; ix >= 0; ++guard) {
    zel_fuzz::Check(guard <= static_cast<int>(size) + 1);
    const int64_t before = mem.Position();
    zel::ReadStreamUntilTagList(mem, {u"item", u"x"}, ix);
    if (ix >= 0) {
      zel_fuzz::Check(mem.Position() >= before);
      zel::ReadNextTagInStream(mem, kTags, attr, contents);  // step over the tag found
      zel_fuzz::Check(mem.Position() > before);
    }
  }
  return 0;
}
