// zel html: URL encoding, words and text of HTML pages, and templates.
//
//   zel html urlencode [TEXT|-]      percent-encodes TEXT (or standard input)
//   zel html urldecode [TEXT|-]      decodes "%XX" escapes (twice, see URLDecode)
//   zel html words [--skip-numbers] FILE|-    words outside the tags
//   zel html text [--crlf] FILE|-    the body of a page as plain text
//   zel html render [--escape] TEMPLATE|- NAME=VALUE...
//                                    the template with each special tag
//                                    <#NAME ...> replaced by VALUE; tags
//                                    without a pair stay as they are
//
// Files are read as UTF-8 (Windows-1252 when they are not valid UTF-8) and
// output is UTF-8. urlencode escapes characters, not bytes: "é" stays "é".
// urldecode turns escapes into bytes and shows the result as UTF-8 text:
// "caf%C3%A9" is "café" (bytes that are not UTF-8 read as Windows-1252).
// "--" ends the options: "zel html urlencode -- -x" encodes "-x".
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "command.h"
#include "io.h"
#include "zel/htmlsupport.h"
#include "zel/platform/read_file.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/utf8.h"

namespace {

using zel_tool::Fail;

// The whole file ("-": standard input) as text; a file that cannot be read
// raises FileError ("zel html: <file>: <reason>", exit status 1).
zel::String ReadText(const std::string& name) {
  return zel::DecodeText8(zel_tool::ReadInputOrFail(name));
}

// The single input operand, "-" when there is none.
std::string OneInput(const std::vector<std::string>& operands) {
  if (operands.size() > 1) Fail("expected one file name");
  return operands.empty() ? "-" : operands[0];
}

int Finish() { return zel_tool::FinishOutput() ? 0 : 1; }

int RunCodec(const std::vector<std::string>& operands, bool encode) {
  if (operands.size() > 1) Fail("expected one text (quote it) or none");
  const bool from_stdin = operands.empty() || operands[0] == "-";
  if (encode) {
    const zel::String in = from_stdin ? ReadText("-") : zel::Utf8ToString(operands[0]);
    std::cout << zel::StringToUtf8(zel::URLEncode(in));
  } else {
    // Escapes stand for bytes of the text: the input's bytes go through
    // URLDecode one character per byte, and the bytes that come out are
    // shown as UTF-8 ("caf%C3%A9" is "café"), or as Windows-1252 when they
    // are not valid UTF-8.
    const std::string in = from_stdin ? zel_tool::ReadInputOrFail("-") : operands[0];
    const std::string bytes = zel::StringToBytes(zel::URLDecode(zel::BytesToString(in)));
    std::cout << zel::StringToUtf8(zel::DecodeText8(bytes));
  }
  if (!from_stdin) std::cout << "\n";
  return Finish();
}

int RunRender(const std::vector<std::string>& operands, bool escape) {
  if (operands.empty()) Fail("missing the template file");
  std::map<zel::String, zel::String> values;
  for (size_t i = 1; i < operands.size(); ++i) {
    const std::string& pair = operands[i];
    const size_t eq = pair.find('=');
    if (eq == std::string::npos || eq == 0) Fail("expected NAME=VALUE, not '" + pair + "'");
    zel::String name = zel::Utf8ToString(pair.substr(0, eq));
    for (char16_t& c : name)
      if (c >= u'A' && c <= u'Z')
        c = static_cast<char16_t>(c + 32);  // tag names arrive in lower case
    const zel::String value = zel::Utf8ToString(pair.substr(eq + 1));
    values[name] = escape ? zel::MakeStringHTMLCompatible(value) : value;
  }
  zel::THtmlProducer producer(nullptr);
  producer.SetTemplate(ReadText(operands[0]));
  producer.SetOnHTMLTag(
      [&values](zel::TObject*, const zel::String& name, const zel::String&, zel::String& out) {
        if (const auto it = values.find(name); it != values.end()) out = it->second;
      });
  std::cout << zel::StringToUtf8(producer.Convert());
  return Finish();
}

int RunHtml(zel_tool::Args& args) {
  const bool skip_numbers = args.Flag("skip-numbers");
  const bool crlf = args.Flag("crlf");
  const bool escape = args.Flag("escape");
  args.RejectUnknownOptions();
  std::vector<std::string> operands = args.Rest();
  if (operands.empty()) Fail("missing action (urlencode, urldecode, words, text, render)");
  const std::string action = operands.front();
  operands.erase(operands.begin());
  const auto only = [&](bool given, const char* option, const char* owner) {
    if (given && action != owner) Fail(std::string(option) + " applies to " + owner + " only");
  };
  only(skip_numbers, "--skip-numbers", "words");
  only(crlf, "--crlf", "text");
  only(escape, "--escape", "render");
  if (action == "urlencode" || action == "urldecode")
    return RunCodec(operands, action == "urlencode");
  if (action == "words") {
    const zel::String text = ReadText(OneInput(operands));
    bool in_tag = false;
    std::cout << zel::CountWordsHTML(text, skip_numbers, in_tag) << "\n";
    return Finish();
  }
  if (action == "text") {
    const zel::String text = ReadText(OneInput(operands));
    const zel::String plain = zel::ConvertHTMLBodyToText(zel::ExtractHTMLBody(text), crlf);
    std::cout << zel::StringToUtf8(plain);
    if (!plain.empty()) std::cout << (crlf ? "\r\n" : "\n");
    return Finish();
  }
  if (action == "render") return RunRender(operands, escape);
  Fail("unknown action '" + action + "'");
}

ZEL_TOOL_COMMAND(html, "HTML and URL helpers: percent encoding, words and text of pages, templates",
                 "zel html urlencode [TEXT|-]\n"
                 "       zel html urldecode [TEXT|-]\n"
                 "       zel html words [--skip-numbers] FILE|-\n"
                 "       zel html text [--crlf] FILE|-\n"
                 "       zel html render [--escape] TEMPLATE|- NAME=VALUE...\n"
                 "Without TEXT the codecs read standard input. render replaces each <#NAME ...>\n"
                 "tag that has a pair (names in any letter case) and leaves the others;\n"
                 "--escape writes the values' <, >, &, quotes and non-ASCII as entities.",
                 RunHtml);

void DemoHtml(std::ostream& out) {
  const zel::String query = u"name=Jürgen & co; 100%";
  const zel::String encoded = zel::URLEncode(query);
  out << "URLEncode(\"" << zel::StringToUtf8(query) << "\") = " << zel::StringToUtf8(encoded)
      << "\n";
  out << "URLDecode(\"%2541%zz\") = " << zel::StringToUtf8(zel::URLDecode(u"%2541%zz"))
      << "   (decoded twice; a broken escape stays)\n";
  out << "ExtractHTTPPath(\"http://example.org/docs/index.html\") = "
      << zel::StringToUtf8(zel::ExtractHTTPPath(u"http://example.org/docs/index.html")) << "\n";
  out << "MakeStringHTMLCompatible(\"Café <b> & €\") = "
      << zel::StringToUtf8(zel::MakeStringHTMLCompatible(u"Café <b> & €")) << "\n";

  zel::THtmlProducer producer(nullptr);
  try {
    producer.ReadTemplateFromFile(
        zel::PathToFileName(zel_tool::SampleDir() + "/page_template.html"));
  } catch (const zel::Exception& e) {
    out << "page_template.html: " << e.what() << "\n";
    return;
  }
  bool in_tag = false;
  const int32_t words = zel::CountWordsHTML(producer.Template(), false, in_tag);
  producer.SetOnHTMLTag([words](zel::TObject*, const zel::String& name, const zel::String& params,
                                zel::String& replacement) {
    if (name == u"title") replacement = u"A zel page";
    if (name == u"user") replacement = params.substr(params.find(u'=') + 1);
    if (name == u"date") replacement = u"2026-12-09";
    if (name == u"wordcount") replacement = zel::Utf8ToString(std::to_string(words));
  });
  const zel::String page = producer.Convert();
  out << "page_template.html converted (" << words << " words outside tags), as text:\n";
  out << zel::StringToUtf8(zel::ConvertHTMLBodyToText(zel::ExtractHTMLBody(page), false)) << "\n";
}

ZEL_TOOL_DEMO(55, "HTML and URL helpers, template converter", DemoHtml);

}  // namespace
