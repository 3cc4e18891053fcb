#include "zel/htmlsupport/htmlproducer.h"

#include <cerrno>

#include "zel/runtime/exception.h"
#include "zel/runtime/safefile.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/textfile.h"
#include "zel/runtime/utf8.h"
#include "zel/streams/primitives.h"

namespace zel {

namespace {

Char LowerAscii(Char C) noexcept {
  return (C >= u'A' && C <= u'Z') ? static_cast<Char>(C + 32) : C;
}

std::string Utf16LeBytes(const String& S) {
  std::string bytes(S.size() * 2, '\0');
  for (size_t i = 0; i < S.size(); ++i) {
    bytes[2 * i] = static_cast<char>(S[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(S[i] >> 8);
  }
  return bytes;
}

}  // namespace

THtmlProducer::THtmlProducer(TComponent* AOwner) : TComponent(AOwner) {}

THtmlProducer::~THtmlProducer() = default;

String THtmlProducer::ClassName() const { return u"THtmlProducer"; }

void THtmlProducer::SetTemplate(const String& Value) { FTemplate = Value; }

void THtmlProducer::SetOnHTMLTag(TOnHTMLTagEvent Handler) { FOnHTMLTag = std::move(Handler); }

void THtmlProducer::ReadTemplateFromFile(const String& FileName) {
  TextFile f(FileName);
  f.Reset();
  String text;
  while (!f.Eof()) {
    text += f.ReadLn();
    text += u"\r\n";
  }
  f.Close();
  FTemplate = std::move(text);
}

void THtmlProducer::ReadTemplateFromStream(TStream& AStream) {
  AStream.SetPosition(0);
  FTemplate = StreamAsString(AStream);
}

String THtmlProducer::Convert() {
  // The handler may set a new template or handler while it runs; this
  // conversion keeps working on the ones it started with.
  const String t = FTemplate;
  const TOnHTMLTagEvent handler = FOnHTMLTag;
  const size_t n = t.size();
  String out;
  out.reserve(n);
  size_t from = 0;  // start of the ordinary text not yet copied
  size_t p = t.find(u"<#");
  while (p != String::npos) {
    out.append(t, from, p - from);
    const size_t gt = t.find(u'>', p + 2);
    const size_t tag_end = gt == String::npos ? n : gt + 1;  // behind the tag text
    const size_t inner_end = gt == String::npos ? n : gt;    // behind name and parameters
    size_t name_end = p + 2;
    while (name_end < inner_end && t[name_end] != u' ') ++name_end;
    String name(t, p + 2, name_end - (p + 2));
    for (Char& c : name) c = LowerAscii(c);
    size_t pb = name_end < inner_end ? name_end + 1 : inner_end;
    size_t pe = inner_end;
    while (pb < pe && t[pb] == u' ') ++pb;
    while (pe > pb && t[pe - 1] == u' ') --pe;
    const String params(t, pb, pe - pb);
    String replacement(t, p, tag_end - p);
    if (handler) handler(this, name, params, replacement);
    out += replacement;
    from = tag_end;
    p = from < n ? t.find(u"<#", from) : String::npos;
  }
  out.append(t, from, String::npos);
  FConvertedHTML = std::move(out);
  return FConvertedHTML;
}

TStringStream& THtmlProducer::ConvertedHTMLAsStream() {
  FStream.reset();
  FStream = std::make_unique<TStringStream>(Utf16LeBytes(FConvertedHTML));
  FStream->SetPosition(0);
  return *FStream;
}

void THtmlProducer::WriteConvertedHTMLToFile(const String& FileName) {
  const std::string bytes = StringToUtf8(FConvertedHTML);
  try {
    SafeReplaceFile(FileName, [&bytes](TStream& out) {
      if (!bytes.empty()) out.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    });
  } catch (const EStreamError& e) {
    // File failures reach callers as the runtime's input/output error.
    throw EInOutError(e.Message(), EIO);
  }
}

}  // namespace zel
