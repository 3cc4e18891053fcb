// File associations from the registry's classes: the content type of an
// extension, and the command that opens files of a content type, both
// through AssocQueryStringW.
#include "zel/platform/mime.h"

#include <shlwapi.h>

#include <cwchar>

#include "zel/platform/windows/internal/win32.h"

namespace zel::platform {

namespace {

using windows::Narrow;
using windows::Widen;

// One association text of `assoc` (".png" or a class name), or empty.
std::wstring Query(ASSOCSTR what, const std::wstring& assoc, const wchar_t* verb) {
  std::wstring text(512, L'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD size = static_cast<DWORD>(text.size());
    const HRESULT hr =
        ::AssocQueryStringW(ASSOCF_NOTRUNCATE, what, assoc.c_str(), verb, text.data(), &size);
    if (hr == S_OK) {
      // The text ends at its NUL (Wine leaves `size` as it was on success).
      text.resize(::wcsnlen(text.c_str(), text.size()));
      return text;
    }
    if (hr != E_POINTER || size <= text.size()) return {};
    text.assign(size, L'\0');
  }
  return {};
}

// The extension the registry names for a content type
// (MIME\Database\Content Type\<type>, value "Extension"), or empty.
std::wstring ExtensionOfType(const std::wstring& type) {
  const std::wstring key = L"MIME\\Database\\Content Type\\" + type;
  wchar_t text[256];
  DWORD size = sizeof text;
  if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), L"Extension", RRF_RT_REG_SZ, nullptr, text,
                     &size) != ERROR_SUCCESS)
    return {};
  return text;
}

class NativeMimeDatabase final : public MimeDatabase {
 public:
  std::string TypeOfExtension(std::string_view extension) override {
    std::wstring ext;
    if (extension.empty() || !Widen(extension, ext)) return {};
    return Narrow(Query(ASSOCSTR_CONTENTTYPE, L"." + ext, nullptr));
  }

  std::string OpenCommand(std::string_view mime_type) override {
    std::wstring type;
    if (mime_type.empty() || !Widen(mime_type, type)) return {};
    const std::wstring ext = ExtensionOfType(type);
    if (ext.size() < 2 || ext[0] != L'.') return {};
    return Narrow(Query(ASSOCSTR_COMMAND, ext, L"open"));
  }
};

}  // namespace

MimeDatabase& NativeMime() {
  static NativeMimeDatabase mime;
  return mime;
}

}  // namespace zel::platform
