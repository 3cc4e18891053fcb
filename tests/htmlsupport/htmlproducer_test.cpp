#include "zel/htmlsupport/htmlproducer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/stream.h"
#include "zel/runtime/utf8.h"

namespace {

using zel::String;

struct Call {
  String name;
  String params;
  String replacement_in;
};

// Converts Template with a handler that records each call and replaces the
// tag by "[name|params]".
String ConvertRecording(const String& tmpl, std::vector<Call>* calls) {
  zel::THtmlProducer p(nullptr);
  p.SetTemplate(tmpl);
  p.SetOnHTMLTag(
      [&](zel::TObject* sender, const String& name, const String& params, String& replacement) {
        EXPECT_EQ(sender, &p);
        calls->push_back({name, params, replacement});
        replacement = u"[" + name + u"|" + params + u"]";
      });
  return p.Convert();
}

TEST(THtmlProducer, ConvertsSpecialTags) {
  struct Case {
    String tmpl;
    String result;
    std::vector<Call> calls;
  };
  const std::vector<Case> cases = {
      {u"", u"", {}},
      {u"no tags", u"no tags", {}},
      {u"a<b", u"a<b", {}},
      {u"a<", u"a<", {}},
      {u"a<<#x>", u"a<[x|]", {{u"x", u"", u"<#x>"}}},
      {u"Hi <#user  Name=x >!", u"Hi [user|Name=x]!", {{u"user", u"Name=x", u"<#user  Name=x >"}}},
      {u"<#USER Ab>", u"[user|Ab]", {{u"user", u"Ab", u"<#USER Ab>"}}},
      {u"<#date> and more", u"[date|] and more", {{u"date", u"", u"<#date>"}}},
      {u"<#a><#b c>", u"[a|][b|c]", {{u"a", u"", u"<#a>"}, {u"b", u"c", u"<#b c>"}}},
      // Unterminated: the rest of the template, last character included.
      {u"x<#tag abc", u"x[tag|abc]", {{u"tag", u"abc", u"<#tag abc"}}},
      {u"x<#tag", u"x[tag|]", {{u"tag", u"", u"<#tag"}}},
      {u"<#", u"[|]", {{u"", u"", u"<#"}}},
      {u"<# >", u"[|]", {{u"", u"", u"<# >"}}},
      {u"<#t a\nb >", u"[t|a\nb]", {{u"t", u"a\nb", u"<#t a\nb >"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(zel::StringToUtf8(c.tmpl));
    std::vector<Call> calls;
    EXPECT_EQ(ConvertRecording(c.tmpl, &calls), c.result);
    ASSERT_EQ(calls.size(), c.calls.size());
    for (size_t i = 0; i < calls.size(); ++i) {
      EXPECT_EQ(calls[i].name, c.calls[i].name);
      EXPECT_EQ(calls[i].params, c.calls[i].params);
      EXPECT_EQ(calls[i].replacement_in, c.calls[i].replacement_in);
    }
  }
}

TEST(THtmlProducer, WithoutHandlerResultEqualsTemplate) {
  zel::THtmlProducer p(nullptr);
  EXPECT_EQ(p.ConvertedHTML(), u"");
  EXPECT_EQ(p.Convert(), u"");
  for (const String t : {u"<#date>", u"a <#x y> b <#unterminated", u"<#"}) {
    p.SetTemplate(t);
    EXPECT_EQ(p.Convert(), t);
    EXPECT_EQ(p.ConvertedHTML(), t);
  }
  p.SetTemplate(u"changed");
  EXPECT_EQ(p.ConvertedHTML(), u"<#");  // until the next Convert
}

TEST(THtmlProducer, OwnedByItsOwner) {
  zel::TComponent owner(nullptr);
  auto* p = new zel::THtmlProducer(&owner);
  EXPECT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(p->ClassName(), u"THtmlProducer");
  p->SetTemplate(u"x");
  p->Convert();
  p->ConvertedHTMLAsStream();  // freed with the producer
}

TEST(THtmlProducer, StreamsRoundTrip) {
  zel::THtmlProducer p(nullptr);
  const String text = u"caf\u00e9 \u20ac <#x>";
  p.SetTemplate(text);
  p.Convert();
  zel::TStringStream& s1 = p.ConvertedHTMLAsStream();
  EXPECT_EQ(s1.Position(), 0);
  EXPECT_EQ(s1.Size(), static_cast<int64_t>(text.size() * 2));
  s1.SetPosition(5);
  zel::THtmlProducer q(nullptr);
  q.ReadTemplateFromStream(s1);  // rewinds first
  EXPECT_EQ(q.Template(), text);
  zel::TStringStream& s2 = p.ConvertedHTMLAsStream();  // replaces the first
  EXPECT_EQ(s2.Position(), 0);
  zel::TStringStream odd(std::string("a\0b", 3));
  q.ReadTemplateFromStream(odd);
  EXPECT_EQ(q.Template(), u"a");
}

TEST(THtmlProducer, Files) {
  zel_test::TempDir dir;
  zel::THtmlProducer p(nullptr);
  p.SetTemplate(u"keep");
  EXPECT_THROW(p.ReadTemplateFromFile(dir.File("missing.html")), zel::EInOutError);
  EXPECT_EQ(p.Template(), u"keep");

  p.ReadTemplateFromFile(dir.Write("t.html", "a\nb <#n>\r\nc"));
  EXPECT_EQ(p.Template(), u"a\r\nb <#n>\r\nc\r\n");
  p.ReadTemplateFromFile(dir.Write("empty.html", ""));
  EXPECT_EQ(p.Template(), u"");
  p.ReadTemplateFromFile(dir.Write("latin.html", "caf\xe9\n"));  // not UTF-8: Windows-1252
  EXPECT_EQ(p.Template(), u"caf\u00e9\r\n");

  p.SetTemplate(u"\u00e9<#x>");
  p.SetOnHTMLTag([](zel::TObject*, const String&, const String&, String& r) { r = u"\u20ac"; });
  p.Convert();
  const String out = dir.File("out.html");
  p.WriteConvertedHTMLToFile(out);
  EXPECT_EQ(zel_test::TempDir::Read(out), "\xc3\xa9\xe2\x82\xac");
  EXPECT_THROW(p.WriteConvertedHTMLToFile(dir.File("no/such/dir.html")), zel::EInOutError);
  EXPECT_EQ(zel_test::TempDir::Read(out), "\xc3\xa9\xe2\x82\xac");
}

TEST(THtmlProducer, HandlerChangingTheProducerAffectsTheNextConvert) {
  zel::THtmlProducer p(nullptr);
  p.SetTemplate(u"<#a> and <#b> and more text");
  int calls = 0;
  p.SetOnHTMLTag([&](zel::TObject*, const String&, const String&, String& r) {
    ++calls;
    p.SetTemplate(u"");
    p.SetOnHTMLTag(nullptr);
    r = u"x";
  });
  EXPECT_EQ(p.Convert(), u"x and x and more text");
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(p.Convert(), u"");
}

TEST(THtmlProducer, HandlerExceptionKeepsPreviousResult) {
  zel::THtmlProducer p(nullptr);
  p.SetTemplate(u"ok");
  p.Convert();
  p.SetTemplate(u"<#boom>");
  p.SetOnHTMLTag([](zel::TObject*, const String&, const String&, String&) {
    throw zel::Exception("handler failed");
  });
  EXPECT_THROW(p.Convert(), zel::Exception);
  EXPECT_EQ(p.ConvertedHTML(), u"ok");
}

}  // namespace
