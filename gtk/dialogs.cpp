#include "zel/gtk/dialogs.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include <algorithm>
#include <cctype>
#include <exception>
#include <string>
#include <vector>

namespace zel::gtk {
namespace {

using platform::SaveDialogRequest;
using platform::SaveDialogResult;

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

GtkFileFilter* MakeFilter(const platform::SaveFileType& type) {
  GtkFileFilter* filter = gtk_file_filter_new();
  gtk_file_filter_set_name(filter, type.name.c_str());
  size_t start = 0;
  bool any = false;
  for (;;) {
    const size_t semi = type.mask.find(';', start);
    std::string pattern =
        Trim(type.mask.substr(start, semi == std::string::npos ? semi : semi - start));
    if (pattern == "*.*") pattern = "*";
    if (!pattern.empty()) {
      gtk_file_filter_add_pattern(filter, pattern.c_str());
      const std::string upper = Upper(pattern);
      if (upper != pattern) gtk_file_filter_add_pattern(filter, upper.c_str());
      any = true;
    }
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  if (!any) gtk_file_filter_add_pattern(filter, "*");
  return filter;
}

std::string TakeString(gchar* text) {
  std::string s = text != nullptr ? text : "";
  g_free(text);
  return s;
}

// The open chooser as the type-change handler sees it.
class ChooserSession : public platform::SaveDialogSession {
 public:
  ChooserSession(GtkFileChooser* chooser, const std::vector<GtkFileFilter*>& filters)
      : chooser_(chooser), filters_(filters) {}

  int32_t TypeIndex() const override {
    GtkFileFilter* current = gtk_file_chooser_get_filter(chooser_);
    const auto it = std::find(filters_.begin(), filters_.end(), current);
    return it == filters_.end() ? 1 : static_cast<int32_t>(it - filters_.begin()) + 1;
  }
  std::string TypedName() const override {
    return TakeString(gtk_file_chooser_get_current_name(chooser_));
  }
  void SetTypedName(const std::string& name) override {
    gtk_file_chooser_set_current_name(chooser_, name.c_str());
  }

 private:
  GtkFileChooser* chooser_;
  const std::vector<GtkFileFilter*>& filters_;
};

struct RunState {
  GtkDialog* dialog = nullptr;
  ChooserSession* session = nullptr;
  const platform::SaveTypeChangeHandler* handler = nullptr;
  std::exception_ptr failure;
  guint timeout_source = 0;
};

void OnFilterChanged(GObject*, GParamSpec*, gpointer data) {
  auto* state = static_cast<RunState*>(data);
  if (state->failure || !*state->handler) return;
  try {
    (*state->handler)(*state->session);
  } catch (...) {
    state->failure = std::current_exception();
    gtk_dialog_response(state->dialog, GTK_RESPONSE_CANCEL);
  }
}

gboolean OnTimeout(gpointer data) {
  auto* state = static_cast<RunState*>(data);
  state->timeout_source = 0;
  gtk_dialog_response(state->dialog, GTK_RESPONSE_CANCEL);
  return G_SOURCE_REMOVE;
}

void KeepAbove(GtkWidget* dialog, uintptr_t owner) {
#ifdef GDK_WINDOWING_X11
  if (owner == 0) return;
  GdkDisplay* display = gtk_widget_get_display(dialog);
  if (!GDK_IS_X11_DISPLAY(display)) return;
  gtk_widget_realize(dialog);
  gdk_x11_display_error_trap_push(display);
  GdkWindow* parent = gdk_x11_window_foreign_new_for_display(display, static_cast<Window>(owner));
  if (parent != nullptr) {
    gdk_window_set_transient_for(gtk_widget_get_window(dialog), parent);
    g_object_unref(parent);
  }
  gdk_x11_display_error_trap_pop_ignored(display);
#else
  (void)dialog;
  (void)owner;
#endif
}

std::string FolderOf(const std::string& name) {
  const size_t slash = name.find_last_of('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : name.substr(0, slash);
}

}  // namespace

bool GtkSaveDialogs::Available() {
  static const bool started = gtk_init_check(nullptr, nullptr) != FALSE;
  return started;
}

SaveDialogResult GtkSaveDialogs::ShowSave(const SaveDialogRequest& request,
                                          const platform::SaveTypeChangeHandler& on_type_change) {
  SaveDialogResult result;
  result.file_name = request.file_name;
  result.type_index = request.type_index;
  if (!Available()) {
    result.error = platform::kDialogInitialization;
    return result;
  }

  GtkWidget* widget =
      gtk_file_chooser_dialog_new(request.title.empty() ? "Save File" : request.title.c_str(),
                                  nullptr, GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel",
                                  GTK_RESPONSE_CANCEL, "_Save", GTK_RESPONSE_ACCEPT, nullptr);
  auto* chooser = GTK_FILE_CHOOSER(widget);
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, FALSE);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  gtk_dialog_set_default_response(GTK_DIALOG(widget), GTK_RESPONSE_ACCEPT);
  gtk_window_set_position(GTK_WINDOW(widget), GTK_WIN_POS_CENTER);

  std::vector<GtkFileFilter*> filters;
  for (const auto& type : request.types) {
    GtkFileFilter* filter = MakeFilter(type);
    gtk_file_chooser_add_filter(chooser, filter);
    filters.push_back(filter);
  }
  if (request.type_index >= 1 && request.type_index <= static_cast<int32_t>(filters.size())) {
    gtk_file_chooser_set_filter(chooser, filters[static_cast<size_t>(request.type_index) - 1]);
  }
  const std::string folder =
      request.initial_dir.empty() ? FolderOf(request.file_name) : request.initial_dir;
  if (!folder.empty()) gtk_file_chooser_set_current_folder(chooser, folder.c_str());
  const size_t slash = request.file_name.find_last_of('/');
  gtk_file_chooser_set_current_name(
      chooser,
      (slash == std::string::npos ? request.file_name : request.file_name.substr(slash + 1))
          .c_str());
  KeepAbove(widget, request.owner);

  ChooserSession session(chooser, filters);
  RunState state;
  state.dialog = GTK_DIALOG(widget);
  state.session = &session;
  state.handler = &on_type_change;
  g_signal_connect(chooser, "notify::filter", G_CALLBACK(OnFilterChanged), &state);
  if (timeout_ms_ != 0) state.timeout_source = g_timeout_add(timeout_ms_, OnTimeout, &state);

  const gint response = gtk_dialog_run(GTK_DIALOG(widget));
  if (state.timeout_source != 0) g_source_remove(state.timeout_source);
  g_signal_handlers_disconnect_by_data(chooser, &state);

  if (!filters.empty()) result.type_index = session.TypeIndex();
  if (response == GTK_RESPONSE_ACCEPT && !state.failure) {
    gchar* name = gtk_file_chooser_get_filename(chooser);
    if (name != nullptr) {
      result.confirmed = true;
      result.file_name = TakeString(name);
    } else {
      result.error = platform::kInvalidFileName;
    }
  }
  gtk_widget_destroy(widget);
  while (gtk_events_pending()) gtk_main_iteration();
  if (state.failure) std::rethrow_exception(state.failure);
  return result;
}

GtkSaveDialogs& GtkDialogs() {
  static GtkSaveDialogs dialogs;
  return dialogs;
}

bool UseGtkDialogs() {
  if (!GtkSaveDialogs::Available()) return false;
  platform::SetSaveDialogsBackend(&GtkDialogs());
  return true;
}

}  // namespace zel::gtk
