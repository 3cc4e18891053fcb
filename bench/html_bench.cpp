// The HTML helpers and the template converter on inputs of 1 and 10 million
// characters (the two sizes show that the cost is linear: MB/s stays the
// same). URLEncode and URLDecode run against libcurl's curl_easy_escape and
// curl_easy_unescape on the same text, chosen so that both give identical
// results (checked before timing): ASCII letters, digits, "-._~" and the
// reserved characters, no "%" in the plain text.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "zel/htmlsupport.h"
#include "zel/runtime/utf8.h"

namespace {

using zel::String;

constexpr int64_t kMillion = 1000000;

void Require(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "html_bench: %s\n", what);
    std::abort();
  }
}

// Text for the percent codecs: words with reserved characters between them.
std::string UrlText(size_t n) {
  static const std::string kAlnum =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._~";
  static const std::string kReserved = "!*();:@&=+$,/?#[] ";
  std::mt19937 rng(7);
  std::string s;
  s.reserve(n);
  while (s.size() < n)
    s.push_back(rng() % 6 == 0 ? kReserved[rng() % kReserved.size()]
                               : kAlnum[rng() % kAlnum.size()]);
  return s;
}

// A page of paragraphs, inline tags and entities.
String HtmlText(size_t n) {
  static const char* const kWords[] = {"zel",  "page", "42",    "words", "count",
                                       "HTML", "text", "rapid", "a",     "caf&eacute;"};
  std::mt19937 rng(11);
  std::string s = "<html><head><title>t</title></head><body>\n";
  while (s.size() < n) {
    s += "<p class=\"x\">";
    for (int w = 0; w < 12; ++w) {
      if (rng() % 8 == 0) s += "<b>";
      s += kWords[rng() % 10];
      s += rng() % 5 == 0 ? ", " : " ";
    }
    s += "</b></p>\n";
  }
  s.resize(n);
  return zel::Utf8ToString(s);
}

// A template with three special tags in every line of about 72 characters.
String TemplateText(size_t n) {
  std::mt19937 rng(5);
  std::string s;
  while (s.size() < n) {
    s += "<p>Dear <#user Name=x>, your order <#order id=" + std::to_string(rng() % 1000) +
         "> ships on <#date>.</p>\n";
  }
  s.resize(n);
  return zel::Utf8ToString(s);
}

void SetChars(benchmark::State& state) {
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_CountWordsHTML(benchmark::State& state) {
  const String text = HtmlText(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    bool in_tag = false;
    benchmark::DoNotOptimize(zel::CountWordsHTML(text, true, in_tag));
  }
  SetChars(state);
}

void BM_URLEncode(benchmark::State& state) {
  const String text = zel::Utf8ToString(UrlText(static_cast<size_t>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(zel::URLEncode(text));
  SetChars(state);
}

void BM_CurlEscape(benchmark::State& state) {
  const std::string text = UrlText(static_cast<size_t>(state.range(0)));
  CURL* curl = curl_easy_init();
  {
    char* ref = curl_easy_escape(curl, text.data(), static_cast<int>(text.size()));
    Require(ref != nullptr &&
                std::string(ref) == zel::StringToUtf8(zel::URLEncode(zel::Utf8ToString(text))),
            "URLEncode differs from curl_easy_escape");
    curl_free(ref);
  }
  for (auto _ : state) {
    char* out = curl_easy_escape(curl, text.data(), static_cast<int>(text.size()));
    benchmark::DoNotOptimize(out);
    curl_free(out);
  }
  curl_easy_cleanup(curl);
  SetChars(state);
}

// Decoding speed is counted in characters of the plain text (the encoded
// text is longer).
void BM_URLDecode(benchmark::State& state) {
  const String encoded =
      zel::URLEncode(zel::Utf8ToString(UrlText(static_cast<size_t>(state.range(0)))));
  for (auto _ : state) benchmark::DoNotOptimize(zel::URLDecode(encoded));
  SetChars(state);
}

void BM_CurlUnescape(benchmark::State& state) {
  const std::string plain = UrlText(static_cast<size_t>(state.range(0)));
  const std::string encoded = zel::StringToUtf8(zel::URLEncode(zel::Utf8ToString(plain)));
  CURL* curl = curl_easy_init();
  {
    int len = 0;
    char* ref = curl_easy_unescape(curl, encoded.data(), static_cast<int>(encoded.size()), &len);
    Require(ref != nullptr && std::string(ref, static_cast<size_t>(len)) == plain &&
                zel::URLDecode(zel::Utf8ToString(encoded)) == zel::Utf8ToString(plain),
            "URLDecode differs from curl_easy_unescape");
    curl_free(ref);
  }
  for (auto _ : state) {
    int len = 0;
    char* out = curl_easy_unescape(curl, encoded.data(), static_cast<int>(encoded.size()), &len);
    benchmark::DoNotOptimize(out);
    curl_free(out);
  }
  curl_easy_cleanup(curl);
  SetChars(state);
}

void BM_ResolveHTMLEntities(benchmark::State& state) {
  const String text = zel::MakeStringHTMLCompatible(HtmlText(static_cast<size_t>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(zel::ResolveHTMLEntities(text));
  SetChars(state);
}

void BM_ConvertHTMLBodyToText(benchmark::State& state) {
  const String text = HtmlText(static_cast<size_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(zel::ConvertHTMLBodyToText(text, false));
  SetChars(state);
}

void BM_HtmlProducerConvert(benchmark::State& state) {
  zel::THtmlProducer producer(nullptr);
  producer.SetTemplate(TemplateText(static_cast<size_t>(state.range(0))));
  producer.SetOnHTMLTag([](zel::TObject*, const String& name, const String&, String& out) {
    if (name == u"user")
      out = u"Ann";
    else if (name == u"date")
      out = u"2026-12-09";
  });
  for (auto _ : state) benchmark::DoNotOptimize(producer.Convert());
  SetChars(state);
}

}  // namespace

#define ZEL_HTML_BENCH(fn) \
  BENCHMARK(fn)->Arg(kMillion)->Arg(10 * kMillion)->Unit(benchmark::kMillisecond)
ZEL_HTML_BENCH(BM_CountWordsHTML);
ZEL_HTML_BENCH(BM_URLEncode);
ZEL_HTML_BENCH(BM_CurlEscape);
ZEL_HTML_BENCH(BM_URLDecode);
ZEL_HTML_BENCH(BM_CurlUnescape);
ZEL_HTML_BENCH(BM_ResolveHTMLEntities);
ZEL_HTML_BENCH(BM_ConvertHTMLBodyToText);
ZEL_HTML_BENCH(BM_HtmlProducerConvert);
