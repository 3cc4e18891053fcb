#include "zel/stringl/xmltag.h"

#include "zel/base/internal/xmltag_scan.h"

namespace zel {

int32_t ReadNextTagInString(const String& Text, int32_t& Pos, const std::vector<String>& TagList,
                            String& Attributes, String& Contents) {
  const size_t start = Pos < 1 ? 0 : static_cast<size_t>(Pos) - 1;
  internal::XmlStringSource src{Text, start};
  const int32_t ix = internal::ReadNextXmlTag(src, TagList, Attributes, Contents, false);
  Pos = static_cast<int32_t>(std::min(src.pos, Text.size()) + 1);
  return ix;
}

int32_t ScanStringForXMLTag(const String& Text, int32_t StartPos, const String& Tag,
                            String& Attributes, String& Contents) {
  const size_t start = StartPos < 1 ? 0 : static_cast<size_t>(StartPos) - 1;
  internal::XmlStringSource src{Text, start};
  if (!internal::ScanForXmlTag(src, internal::XmlLowerString(Tag), Attributes, Contents)) return 0;
  return static_cast<int32_t>(src.pos + 1);
}

}  // namespace zel
