// ExtractFromStream and SearchAndReplace (declared in primitives.h).
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "zel/runtime/exception.h"
#include "zel/runtime/stringlist.h"
#include "zel/streams/primitives.h"
#include "zel/stringl/internal/substring_search.h"

namespace zel {

namespace {

struct ByteRange {
  int64_t offset = 0;
  int64_t count = -1;  // -1: to the end
};

String Trim(const String& s) {
  size_t a = 0, b = s.size();
  while (a < b && s[a] == u' ') ++a;
  while (b > a && s[b - 1] == u' ') --b;
  return s.substr(a, b - a);
}

// A non-negative decimal of at most 18 digits; false otherwise.
bool ParseCount(const String& text, int64_t& value) {
  const String t = Trim(text);
  if (t.empty() || t.size() > 18) return false;
  value = 0;
  for (const Char c : t) {
    if (c < u'0' || c > u'9') return false;
    value = value * 10 + (c - u'0');
  }
  return true;
}

bool ParseRange(const String& entry, ByteRange& r) {
  const size_t comma = entry.find(u',');
  if (!ParseCount(entry.substr(0, comma), r.offset)) return false;
  if (comma == String::npos) return true;
  const String count = Trim(entry.substr(comma + 1));
  if (count == u"*") return true;
  return ParseCount(count, r.count);
}

// Low bytes of the text; false when a character does not fit a byte (such a
// text can never occur in a byte stream).
bool ToBytes(const String& s, std::string& out) {
  out.clear();
  for (const Char c : s) {
    if (c > 0xFF) return false;
    out.push_back(static_cast<char>(c));
  }
  return true;
}

char FoldByte(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

void ExtractFromStream(TStream& InStream, TMemoryStream& OutStream, const TStringList& Ranges) {
  std::vector<ByteRange> ranges;
  for (const String& raw : Ranges) {
    const String entry = Trim(raw);
    if (entry.empty()) continue;
    ByteRange r;
    if (!ParseRange(entry, r))
      throw EConvertError(u"Invalid range \"" + raw + u"\" in extraction list");
    ranges.push_back(r);
  }
  const int64_t size = InStream.Size();
  if (&InStream == static_cast<TStream*>(&OutStream)) {
    // One stream as both source and target: the ranges are gathered from the
    // bytes as they were before anything is appended, so the bytes read are
    // never the bytes being written.
    std::string gathered;
    for (const ByteRange& r : ranges) {
      if (r.offset >= size) continue;
      const int64_t count = r.count < 0 ? size - r.offset : std::min(r.count, size - r.offset);
      if (count <= 0) continue;
      const size_t at = gathered.size();
      gathered.resize(at + static_cast<size_t>(count));
      InStream.SetPosition(r.offset);
      InStream.ReadBuffer(gathered.data() + at, count);
    }
    OutStream.Seek(0, soEnd);
    OutStream.WriteBuffer(gathered.data(), static_cast<int64_t>(gathered.size()));
    return;
  }
  OutStream.Seek(0, soEnd);
  for (const ByteRange& r : ranges) {
    if (r.offset >= size) continue;
    const int64_t count = r.count < 0 ? size - r.offset : std::min(r.count, size - r.offset);
    if (count <= 0) continue;
    InStream.SetPosition(r.offset);
    OutStream.CopyFrom(InStream, count);
  }
}

void SearchAndReplace(TMemoryStream& InStream, TMemoryStream& OutStream, const String& SearchText,
                      const String& ReplaceText, bool IgnoreCase, int32_t StartPos,
                      int32_t MaxCount, const String& EndText,
                      const TSearchReplaceEvent& OnReplace) {
  const int64_t size = InStream.Size();
  const std::string in(reinterpret_cast<const char*>(InStream.Memory()), static_cast<size_t>(size));
  InStream.SetPosition(size);
  std::string search, end_mark, out;
  const bool searchable =
      !SearchText.empty() && ToBytes(SearchText, search) && ToBytes(EndText, end_mark);
  size_t i = std::min(static_cast<size_t>(std::max<int32_t>(StartPos, 0)), in.size());
  out.append(in, 0, i);
  if (searchable) {
    std::string hay = in;  // the text searched: folded when case is ignored
    if (IgnoreCase) {
      std::transform(hay.begin(), hay.end(), hay.begin(), FoldByte);
      std::transform(search.begin(), search.end(), search.begin(), FoldByte);
      std::transform(end_mark.begin(), end_mark.end(), end_mark.begin(), FoldByte);
    }
    const internal::SubstringSearcher<char> find_search(search);
    const internal::SubstringSearcher<char> find_end(end_mark);
    int64_t replaced = 0;
    while (i < in.size() && (MaxCount <= 0 || replaced < MaxCount)) {
      const size_t at = find_search.Find(hay, i);
      if (at == std::string::npos) break;
      size_t stop = at + search.size();
      if (!end_mark.empty()) {
        const size_t e = find_end.Find(hay, stop);
        if (e == std::string::npos) break;  // no later match can be closed either
        stop = e + end_mark.size();
      }
      String replacement = ReplaceText;
      if (OnReplace) {
        String found(stop - at, u'\0');
        for (size_t k = at; k < stop; ++k) found[k - at] = static_cast<uint8_t>(in[k]);
        OnReplace(found, replacement);
      }
      out.append(in, i, at - i);
      for (const Char c : replacement) out.push_back(static_cast<char>(c & 0xFF));
      i = stop;
      ++replaced;
    }
  }
  out.append(in, i, std::string::npos);
  OutStream.SetSize(0);
  OutStream.SetPosition(0);
  OutStream.WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
}

}  // namespace zel
