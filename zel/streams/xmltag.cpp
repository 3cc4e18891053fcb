#include "zel/streams/xmltag.h"

#include <algorithm>

#include "zel/base/internal/xml_attrib.h"
#include "zel/base/internal/xmltag_scan.h"
#include "zel/runtime/textfile.h"
#include "zel/streams/internal/byte_reader.h"
#include "zel/streams/internal/seek_back.h"

namespace zel {

namespace {

// Bytes of a stream as characters of the same codes.
struct StreamSource {
  internal::ByteReader reader;
  int64_t consumed = 0;
  explicit StreamSource(TStream& s) : reader(s) {}
  bool Next(Char& c) {
    const int b = reader.Next();
    if (b < 0) return false;
    c = static_cast<Char>(b);
    ++consumed;
    return true;
  }
};

}  // namespace

int32_t ReadNextTagInStream(TStream& AStream, const std::vector<String>& TagList,
                            String& Attributes, String& Contents) {
  StreamSource src(AStream);
  return internal::ReadNextXmlTag(src, TagList, Attributes, Contents, false);
}

int32_t ReadNextTagInTextFile(TextFile& AFile, const std::vector<String>& TagList,
                              String& Attributes, String& Contents) {
  internal::TextFileSource src{AFile};
  return internal::ReadNextXmlTag(src, TagList, Attributes, Contents, true);
}

String ScanForXMLAttrib(const String& AttribText, const String& Name) {
  return internal::XmlAttribValue(AttribText, Name);
}

bool ScanStreamForXMLTag(TStream& AStream, const String& Tag, String& Attributes, String& Contents,
                         const TXMLScanProgressEvent& OnProgress) {
  Attributes.clear();
  Contents.clear();
  const String wanted = internal::XmlLowerString(Tag);
  int64_t start = 0, size = 0;
  int32_t reported = -1;
  if (OnProgress) {
    start = AStream.Position();
    size = AStream.Size();
  }
  StreamSource src(AStream);
  auto progress = [&](bool done) {
    if (!OnProgress) return;
    int32_t pct = 100;
    if (!done && size > 0)
      pct = static_cast<int32_t>(std::clamp<int64_t>((start + src.consumed) * 100 / size, 0, 100));
    if (pct > reported) {
      reported = pct;
      OnProgress(nullptr, pct);
    }
  };
  String tag;
  while (internal::NextXmlTagText(src, tag)) {
    internal::XmlTagParts parts = internal::SplitXmlTag(tag);
    if (parts.Name != wanted) {
      progress(false);
      continue;
    }
    Attributes = std::move(parts.Attributes);
    if (!parts.Empty && !parts.Name.empty() && parts.Name[0] != u'/')
      internal::ReadXmlContents(src, parts.Name, Contents, false);
    progress(true);
    return true;
  }
  progress(true);
  return false;
}

String ReadStreamUntilTagList(TStream& AStream, const std::vector<String>& TagList,
                              int32_t& TagIndex) {
  TagIndex = -1;
  // The tag found is read and then given back, which a pipe cannot do.
  const int64_t start = AStream.Position();
  if (start < 0) throw EStreamError(internal::kCannotGoBack);
  String before;
  String tag;
  StreamSource src(AStream);
  while (internal::NextXmlTagText(src, tag, &before)) {
    const String name = internal::SplitXmlTag(tag).Name;
    const auto it = std::find(TagList.begin(), TagList.end(), name);
    if (it != TagList.end()) {
      TagIndex = static_cast<int32_t>(it - TagList.begin());
      src.reader.Release();
      internal::SeekBack(AStream, start + static_cast<int64_t>(before.size()));
      return before;
    }
    before.push_back(u'<');
    before.append(tag);
  }
  return before;
}

}  // namespace zel
