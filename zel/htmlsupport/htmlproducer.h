// THtmlProducer: turns an HTML template into a page by replacing special tags
// with text the application supplies.
//
// A special tag starts with "<#" and ends with the next ">":
//
//   <#name param text>
//
// For each one, Convert calls OnHTMLTag with the tag name, the parameters and
// the replacement, which arrives holding the complete tag text; whatever the
// handler leaves in the replacement takes the tag's place. Everything else is
// copied unchanged, so without a handler (or with one that leaves the
// replacement alone) the page equals the template.
//
//  - The name runs from behind "<#" to the first blank (code 32) or the ">",
//    whichever comes first, and is delivered in lower case (ASCII letters):
//    "<#USER x>" gives "user", "<#date>" gives "date".
//  - The parameters are the text between that blank and the ">", without
//    leading and trailing blanks; they keep their case. Empty when the name
//    ends at the ">".
//  - A tag without a closing ">" takes the rest of the template as its text,
//    name and parameters (nothing of it is lost), and the conversion ends with
//    it. "<" not followed by "#" is ordinary text; so is a "<" at the end.
//
// Convert is one pass over the template: each character is looked at a
// bounded number of times and the page is built by appending, so the cost is
// linear in the template plus the replacements; nothing outside the template
// is ever read, the empty template included (it converts to the empty page).
//
// Files and streams:
//  - ReadTemplateFromFile reads a text file line by line (UTF-8, or
//    Windows-1252 for lines that are not valid UTF-8) and ends every line with
//    CR LF in the template.
//  - ReadTemplateFromStream reads the whole stream, from position 0, as
//    UTF-16LE text (StreamAsString).
//  - ConvertedHTMLAsStream hands out ConvertedHTML as UTF-16LE, so it reads
//    back unchanged through ReadTemplateFromStream and no character is lost.
//  - WriteConvertedHTMLToFile writes ConvertedHTML as UTF-8, without adding a
//    line end, replacing the file only once it is completely written.
// File errors raise EInOutError; the template or file stays as it was.
//
// Not thread-safe: one producer belongs to one thread at a time.
#pragma once

#include <functional>
#include <memory>

#include "zel/runtime/classes.h"
#include "zel/runtime/types.h"

namespace zel {

class TStream;
class TStringStream;

// Replacement arrives holding the complete tag text; the handler may change it.
using TOnHTMLTagEvent = std::function<void(TObject* Sender, const String& TagName,
                                           const String& Params, String& Replacement)>;

class ZEL_API THtmlProducer : public TComponent {
 public:
  // Empty template and result, no handler, no stream. AOwner, when not
  // nullptr, owns the producer and destroys it with itself.
  explicit THtmlProducer(TComponent* AOwner);
  // Frees the stream of ConvertedHTMLAsStream, if any.
  ~THtmlProducer() override;

  const String& Template() const noexcept { return FTemplate; }  // the text Convert reads
  // Stores the text; ConvertedHTML changes only with the next Convert.
  void SetTemplate(const String& Value);

  // The result of the last Convert (empty before the first).
  const String& ConvertedHTML() const noexcept { return FConvertedHTML; }

  // The handler Convert calls for each special tag (SetOnHTMLTag installs it).
  const TOnHTMLTagEvent& OnHTMLTag() const noexcept { return FOnHTMLTag; }
  void SetOnHTMLTag(TOnHTMLTagEvent Handler);  // see OnHTMLTag

  // Sets Template to the lines of the text file FileName, each followed by
  // CR LF (empty for an empty file). A missing or unreadable file raises EInOutError and
  // leaves Template unchanged.
  void ReadTemplateFromFile(const String& FileName);

  // Sets the position of AStream to 0 and Template to its whole content read
  // as UTF-16LE (an odd last byte is dropped). The stream stays open,
  // positioned at its end.
  void ReadTemplateFromStream(TStream& AStream);

  // Converts Template (see above), stores the result in ConvertedHTML and
  // returns it. Exceptions from the handler pass to the caller and leave
  // ConvertedHTML as it was. A handler that changes Template or OnHTMLTag
  // affects the next Convert, not the one running.
  String Convert();

  // A new string stream holding ConvertedHTML as UTF-16LE, positioned at 0.
  // The producer owns it; it stays valid until the next call or the
  // producer's destruction, which free it.
  TStringStream& ConvertedHTMLAsStream();

  // Creates or replaces the file FileName with ConvertedHTML as UTF-8, no
  // line end added. Raises EInOutError when the file cannot be written; an existing
  // file is then left as it was.
  void WriteConvertedHTMLToFile(const String& FileName);

  String ClassName() const override;

 private:
  String FTemplate;
  String FConvertedHTML;
  TOnHTMLTagEvent FOnHTMLTag;
  std::unique_ptr<TStringStream> FStream;
};

}  // namespace zel
