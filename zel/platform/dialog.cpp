#include "zel/platform/dialog.h"

#include <utility>

#include "zel/platform/backend.h"

namespace zel::platform {
namespace {

SaveDialogs& DefaultDialogs() { return HeadlessDialogs(); }

BackendSlot<SaveDialogs>& Slot() {
  static BackendSlot<SaveDialogs> slot(&DefaultDialogs);
  return slot;
}

bool HasFolder(const std::string& name) {
  return name.find_first_of("/\\") != std::string::npos ||
         (name.size() >= 2 && name[1] == ':' &&
          ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')));
}

std::string NamePart(const std::string& name) {
  const size_t sep = name.find_last_of("/\\");
  return sep == std::string::npos ? name : name.substr(sep + 1);
}

// The name field of a headless dialog.
class HeadlessSession : public SaveDialogSession {
 public:
  HeadlessSession(std::string typed, int32_t type_index)
      : typed_(std::move(typed)), type_index_(type_index) {}
  int32_t TypeIndex() const override { return type_index_; }
  std::string TypedName() const override { return typed_; }
  void SetTypedName(const std::string& name) override { typed_ = name; }
  void Select(int32_t index) { type_index_ = index; }

 private:
  std::string typed_;
  int32_t type_index_;
};

}  // namespace

SaveDialogSession::~SaveDialogSession() = default;
SaveDialogs::~SaveDialogs() = default;

HeadlessSaveDialogs::Answer HeadlessSaveDialogs::Confirm(const std::string& name,
                                                         int32_t type_index) {
  Answer a;
  a.outcome = Outcome::kConfirm;
  a.typed = name;
  a.type_index = type_index;
  return a;
}

HeadlessSaveDialogs::Answer HeadlessSaveDialogs::Cancel() { return Answer{}; }

HeadlessSaveDialogs::Answer HeadlessSaveDialogs::Fail(uint32_t error) {
  Answer a;
  a.outcome = Outcome::kFail;
  a.error = error;
  return a;
}

void HeadlessSaveDialogs::Script(Answer answer) { answers_.push_back(std::move(answer)); }

void HeadlessSaveDialogs::Reset() {
  answers_.clear();
  shown_.clear();
  final_names_.clear();
}

SaveDialogResult HeadlessSaveDialogs::ShowSave(const SaveDialogRequest& request,
                                               const SaveTypeChangeHandler& on_type_change) {
  shown_.push_back(request);
  // With no answer scripted there is nobody to answer: the dialog cannot be
  // shown, which is a failure, not a user's cancel.
  Answer answer = Fail(kDialogFailure);
  if (!answers_.empty()) {
    answer = std::move(answers_.front());
    answers_.pop_front();
  }
  SaveDialogResult result;
  result.file_name = request.file_name;
  result.type_index = request.type_index;
  if (answer.outcome == Outcome::kFail) {
    result.error = answer.error != 0 ? answer.error : kDialogFailure;
    final_names_.push_back(NamePart(request.file_name));
    return result;
  }
  HeadlessSession session(NamePart(request.file_name), request.type_index);
  if (!answer.typed.empty()) session.SetTypedName(answer.typed);
  for (const int32_t index : answer.type_changes) {
    session.Select(index);
    if (on_type_change) on_type_change(session);
  }
  final_names_.push_back(session.TypedName());
  result.type_index = session.TypeIndex();
  if (answer.outcome != Outcome::kConfirm) return result;
  if (answer.type_index != 0) result.type_index = answer.type_index;
  std::string name = session.TypedName();
  if (name.empty()) return result;  // nothing to save under: the dialog stays a cancel
  if (!HasFolder(name) && !request.initial_dir.empty()) {
    const char last = request.initial_dir.back();
    name = request.initial_dir + (last == '/' || last == '\\' ? "" : "/") + name;
  }
  result.confirmed = true;
  result.file_name = name;
  return result;
}

HeadlessSaveDialogs& HeadlessDialogs() {
  static HeadlessSaveDialogs dialogs;
  return dialogs;
}

SaveDialogs& Dialogs() { return Slot().Get(); }

SaveDialogs* SetSaveDialogsBackend(SaveDialogs* backend) { return Slot().Set(backend); }

}  // namespace zel::platform
