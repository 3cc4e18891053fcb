#include "zel/runtime/dialogs.h"

#include "zel/platform/dialog.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

uint32_t& LastDialogError() {
  static uint32_t error = 0;
  return error;
}

// Clears the dialog's session pointer however Execute is left.
class SessionGuard {
 public:
  SessionGuard(platform::SaveDialogSession*& slot, platform::SaveDialogSession* session)
      : slot_(slot) {
    slot_ = session;
  }
  ~SessionGuard() { slot_ = nullptr; }
  SessionGuard(const SessionGuard&) = delete;
  SessionGuard& operator=(const SessionGuard&) = delete;

 private:
  platform::SaveDialogSession*& slot_;
};

}  // namespace

uint32_t CommDlgExtendedError() { return LastDialogError(); }

TCommonDialog::TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
TCommonDialog::~TCommonDialog() = default;
String TCommonDialog::ClassName() const { return u"TCommonDialog"; }

TSaveDialog::TSaveDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
TSaveDialog::~TSaveDialog() = default;
String TSaveDialog::ClassName() const { return u"TSaveDialog"; }

void TSaveDialog::AddFileType(const String& DisplayName, const String& FileMask) {
  file_types_.push_back({DisplayName, FileMask});
}

int32_t TSaveDialog::FilterIndex() const {
  return session_ != nullptr ? session_->TypeIndex() : filter_index_;
}

String TSaveDialog::TypedName() const {
  return session_ != nullptr ? PathToFileName(session_->TypedName()) : String();
}

void TSaveDialog::SetTypedName(const String& Value) {
  std::string name;
  if (session_ != nullptr && FileNameToPath(Value, name)) session_->SetTypedName(name);
}

bool TSaveDialog::Execute() { return Execute(0); }

bool TSaveDialog::Execute(TWindowHandle ParentWnd) {
  platform::SaveDialogRequest request;
  request.types.reserve(file_types_.size());
  for (const TFileTypeItem& t : file_types_) {
    request.types.push_back({StringToUtf8(t.DisplayName), StringToUtf8(t.FileMask)});
  }
  request.title = StringToUtf8(title_);
  request.type_index = filter_index_;
  request.owner = ParentWnd;
  // Names and folders designate files by their bytes; one holding U+0000
  // designates none, and the dialog fails before it is shown.
  if (!FileNameToPath(initial_dir_, request.initial_dir) ||
      !FileNameToPath(file_name_, request.file_name)) {
    LastDialogError() = platform::kInvalidFileName;
    return false;
  }

  platform::SaveDialogResult result;
  {
    platform::SaveTypeChangeHandler handler;
    if (on_type_change_) {
      handler = [this](platform::SaveDialogSession& session) {
        SessionGuard guard(session_, &session);
        on_type_change_(this);
      };
    }
    result = platform::Dialogs().ShowSave(request, handler);
  }
  LastDialogError() = result.error;
  file_name_ = PathToFileName(result.file_name);
  filter_index_ = result.type_index;
  return result.confirmed && result.error == 0;
}

}  // namespace zel
