// The system's save dialog on Windows: the common dialog of comdlg32
// (GetSaveFileNameW, Explorer style) with a hook that reports changes of
// the file type and lets the handler read and rewrite the name field.
#include "zel/platform/dialog.h"

#include <exception>
#include <string>

#include "zel/platform/internal/common_dialog.h"
#include "zel/platform/windows/internal/win32.h"
// After <windows.h>, which they need.
#include <commdlg.h>
#include <dlgs.h>
#include <objbase.h>

namespace zel::platform {
namespace {

// What the hook needs while the dialog is open.
struct HookContext {
  const SaveTypeChangeHandler* handler = nullptr;
  uint32_t type_index = 0;     // the type selected now
  std::exception_ptr failure;  // the handler's exception, raised after the dialog
};

// The open dialog as the type-change handler sees it. `dialog` is the
// common dialog's own window (the parent of the hook's child dialog).
class CommonDialogSession : public SaveDialogSession {
 public:
  CommonDialogSession(HWND dialog, const HookContext& context)
      : dialog_(dialog), context_(context) {}

  int32_t TypeIndex() const override { return static_cast<int32_t>(context_.type_index); }

  std::string TypedName() const override {
    // CDM_GETSPEC copies the name field when the buffer is large enough and
    // otherwise returns the size it needs (with the NUL).
    std::wstring text(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
      const LRESULT n = SendMessageW(dialog_, CDM_GETSPEC, static_cast<WPARAM>(text.size()),
                                     reinterpret_cast<LPARAM>(text.data()));
      if (n <= 0) return std::string();
      if (static_cast<size_t>(n) <= text.size()) {
        text.resize(static_cast<size_t>(n) - 1);
        return windows::Narrow(text);
      }
      text.assign(static_cast<size_t>(n), L'\0');
    }
    return std::string();
  }

  void SetTypedName(const std::string& name) override {
    std::wstring wide;
    if (!windows::Widen(name, wide)) return;  // a NUL or bytes that are not UTF-8: nothing to show
    // The name field is a combo box (cmb13) in the newer templates and an
    // edit field (edt1) in the older ones.
    const int field = GetDlgItem(dialog_, cmb13) != nullptr ? cmb13 : edt1;
    SendMessageW(dialog_, CDM_SETCONTROLTEXT, static_cast<WPARAM>(field),
                 reinterpret_cast<LPARAM>(wide.c_str()));
  }

 private:
  HWND dialog_;
  const HookContext& context_;
};

// The hook procedure of the Explorer-style dialog. The handler runs here, in
// the system's window procedure: its exception is kept and the dialog
// cancelled, so that nothing unwinds through the system's frames.
UINT_PTR CALLBACK DialogHook(HWND hook, UINT message, WPARAM, LPARAM lparam) noexcept {
  if (message != WM_NOTIFY) return 0;
  const auto* notify = reinterpret_cast<const OFNOTIFYW*>(lparam);
  if (notify == nullptr || notify->hdr.code != CDN_TYPECHANGE || notify->lpOFN == nullptr) return 0;
  auto* context = reinterpret_cast<HookContext*>(notify->lpOFN->lCustData);
  if (context == nullptr) return 0;
  context->type_index = notify->lpOFN->nFilterIndex;
  if (context->failure || !*context->handler) return 0;
  const HWND dialog = GetParent(hook);
  try {
    CommonDialogSession session(dialog, *context);
    (*context->handler)(session);
  } catch (...) {
    context->failure = std::current_exception();
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }
  return 0;
}

// COM for the dialog's shell views, started for the call when the thread
// has not done so (an apartment the thread already has is used as it is).
class ComScope {
 public:
  ComScope() {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    started_ = hr == S_OK || hr == S_FALSE;
  }
  ~ComScope() {
    if (started_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool started_ = false;
};

class CommonSaveDialogs : public SaveDialogs {
 public:
  SaveDialogResult ShowSave(const SaveDialogRequest& request,
                            const SaveTypeChangeHandler& on_type_change) override {
    internal::CommonDialogFields<wchar_t> fields;
    if (const uint32_t error = internal::MapSaveRequest(request, &windows::Widen, fields);
        error != 0) {
      SaveDialogResult result;  // not shown: the preset and the preset type stand
      result.file_name = request.file_name;
      result.type_index = request.type_index;
      result.error = error;
      return result;
    }
    HookContext context;
    context.handler = &on_type_change;
    context.type_index = fields.filter_index;

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = reinterpret_cast<HWND>(request.owner);
    ofn.lpstrFilter = fields.filter.empty() ? nullptr : fields.filter.c_str();
    ofn.nFilterIndex = fields.filter_index;
    ofn.lpstrFile = fields.name_buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(fields.name_buffer.size());
    ofn.lpstrInitialDir = fields.initial_dir.empty() ? nullptr : fields.initial_dir.c_str();
    ofn.lpstrTitle = fields.title.empty() ? nullptr : fields.title.c_str();
    // No overwrite prompt: the components ask about existing files themselves.
    ofn.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                OFN_ENABLESIZING | OFN_HIDEREADONLY;
    ofn.lpfnHook = &DialogHook;
    ofn.lCustData = reinterpret_cast<LPARAM>(&context);

    BOOL confirmed = FALSE;
    DWORD error = 0;
    {
      ComScope com;
      confirmed = GetSaveFileNameW(&ofn);
      if (!confirmed) error = CommDlgExtendedError();
    }
    if (context.failure) std::rethrow_exception(context.failure);
    std::string accepted;
    if (confirmed) {
      accepted = windows::Narrow(fields.name_buffer.data());
      context.type_index = ofn.nFilterIndex;
    }
    return internal::SaveResultOf(request, confirmed != FALSE, error, std::move(accepted),
                                  context.type_index);
  }
};

// Whether the process's window station shows windows to a user (not a
// service's or another non-interactive one).
bool InteractiveStation() {
  HWINSTA station = GetProcessWindowStation();
  if (station == nullptr) return false;
  USEROBJECTFLAGS flags{};
  DWORD needed = 0;
  return GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed) != FALSE &&
         (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace

SaveDialogs* SystemSaveDialogs() {
  static CommonSaveDialogs dialogs;
  return &dialogs;
}

bool UseSystemDialogs() {
  if (!InteractiveStation()) return false;
  SetSaveDialogsBackend(SystemSaveDialogs());
  return true;
}

}  // namespace zel::platform
