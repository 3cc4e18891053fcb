// The Windows file associations: what AssocQueryStringW answers, reached by
// content type. (The Linux associations are tested with the registry
// functions, on a MIME database of the tests' own.)
#ifdef _WIN32
#include <windows.h>
#include <shlwapi.h>

#include <gtest/gtest.h>

#include <string>

#include "zel/platform/mime.h"

namespace zel::platform {
namespace {

// AssocQueryStringW itself, looked up at run time so that the tests need not
// link shlwapi.
std::wstring Assoc(ASSOCSTR what, const wchar_t* assoc, const wchar_t* verb) {
  using Query = HRESULT(WINAPI*)(ASSOCF, ASSOCSTR, LPCWSTR, LPCWSTR, LPWSTR, DWORD*);
  const HMODULE shlwapi = ::LoadLibraryW(L"shlwapi.dll");
  if (!shlwapi) return {};
  const auto query =
      reinterpret_cast<Query>(reinterpret_cast<void*>(::GetProcAddress(shlwapi, "AssocQueryStringW")));
  wchar_t text[4096] = {};
  DWORD size = 4096;
  const bool ok = query && query(ASSOCF_NONE, what, assoc, verb, text, &size) == S_OK;
  ::FreeLibrary(shlwapi);
  return ok ? text : std::wstring();
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

TEST(WindowsAssociations, TextFilesHaveTypeAndProgram) {
  MimeDatabase& mime = NativeMime();
  EXPECT_EQ(mime.TypeOfExtension("txt"), "text/plain");
  EXPECT_EQ(mime.TypeOfExtension("TXT"), "text/plain");
  const std::string command = mime.OpenCommand("text/plain");
  EXPECT_FALSE(command.empty());
  EXPECT_EQ(command, Utf8(Assoc(ASSOCSTR_COMMAND, L".txt", L"open")));
}

TEST(WindowsAssociations, UnknownOrMalformedFindNothing) {
  MimeDatabase& mime = NativeMime();
  const struct {
    const char* text;
  } cases[] = {{""}, {"no-such-extension-4711"}, {"\xFF\xFE"}, {"a\\b"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(mime.TypeOfExtension(c.text), "");
    EXPECT_EQ(mime.OpenCommand(c.text), "");
  }
  EXPECT_EQ(mime.OpenCommand("application/x-no-such-type-4711"), "");
}

}  // namespace
}  // namespace zel::platform
#endif
