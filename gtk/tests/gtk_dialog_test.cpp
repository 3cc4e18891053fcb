// The GTK save dialog in a real window: an Xvfb server of the test's own, a
// name typed with xdotool, Enter, and the accepted name checked. A PNG of the
// open dialog is left in ZEL_ARTIFACT_DIR. Where no X server can be started
// (or xdotool is missing) the test skips and says why.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "zel/filesys/savedialog.h"
#include "zel/gtk/dialogs.h"
#include "zel/platform/dialog.h"
#include "zel/runtime/utf8.h"

// Pango's font map keeps fontconfig's cache for the life of the process;
// the leak checker of sanitizer builds is told so. Nothing else is excused.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

namespace fs = std::filesystem;

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  size_t start = 0;
  for (;;) {
    const size_t colon = dirs.find(':', start);
    const std::string dir = dirs.substr(start, colon == std::string::npos ? colon : colon - start);
    if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    if (colon == std::string::npos) return false;
    start = colon + 1;
  }
}

// An Xvfb server on a free display number, stopped with the object.
class XServer {
 public:
  // Empty `error` when the server runs; DISPLAY then names it.
  XServer() {
    if (!OnPath("Xvfb")) {
      error_ = "Xvfb is not installed";
      return;
    }
    int fds[2];
    if (::pipe(fds) != 0) {
      error_ = "no pipe";
      return;
    }
    const std::string fd = std::to_string(fds[1]);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(fds[0]);
      const int devnull = ::open("/dev/null", O_RDWR);
      ::dup2(devnull, 1);
      ::dup2(devnull, 2);
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x800x24", "-nolisten",
               "tcp", "-noreset", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    if (pid_ < 0) {
      ::close(fds[0]);
      error_ = "cannot start Xvfb";
      return;
    }
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (::poll(&p, 1, 15000) == 1) {
      char c;
      if (::read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    ::close(fds[0]);
    if (number.empty()) {
      error_ = "Xvfb did not start";
      return;
    }
    display_ = ":" + number;
    ::setenv("DISPLAY", display_.c_str(), 1);
  }
  ~XServer() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& error() const { return error_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
  std::string error_;
};

// The server lives as long as the test program (GTK keeps its connection to
// the display open), stopped after the last test.
XServer* g_server = nullptr;
struct ServerEnvironment : ::testing::Environment {
  void TearDown() override {
    delete g_server;
    g_server = nullptr;
  }
};
[[maybe_unused]] ::testing::Environment* const kServerEnvironment =
    ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

// Starts the server and GTK once; "" when the desktop dialog is in force,
// otherwise why the window tests cannot run.
std::string StartDesktop() {
  static std::string reason = [] {
    g_server = new XServer;
    if (!g_server->error().empty()) return "no X server for the window test: " + g_server->error();
    if (!OnPath("xdotool")) return std::string("xdotool is not installed");
    ::setenv("GDK_BACKEND", "x11", 1);
    ::setenv("NO_AT_BRIDGE", "1", 1);
    ::setenv("GTK_A11Y", "none", 1);
    ::setenv("GSETTINGS_BACKEND", "memory", 1);  // leave the user's settings alone
    if (!zel::gtk::UseGtkDialogs()) return std::string("GTK cannot open the test's display");
    zel::gtk::GtkDialogs().SetTimeout(40000);
    return std::string();
  }();
  return reason;
}

// The xdotool script: find the dialog, type the name into its name field,
// wait until the screenshot exists, press Enter. Runs in the background;
// every wait has a limit.
pid_t StartDriver(const std::string& title, const std::string& name, const std::string& shot) {
  const std::string script = "w=$(timeout 20 xdotool search --sync --onlyvisible --name '^" +
                             title +
                             "$' | head -n 1)\n"
                             "[ -n \"$w\" ] || exit 3\n"
                             "timeout 10 xdotool mousemove --window \"$w\" 40 40\n"
                             "timeout 10 xdotool windowfocus --sync \"$w\" 2>/dev/null\n"
                             "sleep 0.5\n"
                             "timeout 10 xdotool key --clearmodifiers ctrl+a\n"
                             "timeout 10 xdotool type --delay 30 '" +
                             name +
                             "'\n"
                             "i=0; while [ ! -e '" +
                             shot +
                             "' ] && [ $i -lt 150 ]; do sleep 0.1; i=$((i+1)); done\n"
                             "timeout 10 xdotool key Return\n";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return pid;
}

// Watches the open dialog from inside GTK's loop: once the typed name shows
// in the name field, saves a PNG of the screen (one tick later, so that the
// text is drawn) and records what the dialog was built with.
struct Watcher {
  std::string expected_name;
  std::string png;
  int seen = 0;
  bool shot = false;
  std::string title;
  int filters = 0;
  std::string filter_name;

  static gboolean Tick(gpointer data) {
    auto* w = static_cast<Watcher*>(data);
    GList* windows = gtk_window_list_toplevels();
    for (GList* l = windows; l != nullptr; l = l->next) {
      if (!GTK_IS_FILE_CHOOSER_DIALOG(l->data) || !gtk_widget_get_mapped(GTK_WIDGET(l->data))) {
        continue;
      }
      auto* chooser = GTK_FILE_CHOOSER(l->data);
      gchar* typed = gtk_file_chooser_get_current_name(chooser);
      const bool match = typed != nullptr && w->expected_name == typed;
      g_free(typed);
      w->title = gtk_window_get_title(GTK_WINDOW(l->data));
      GSList* list = gtk_file_chooser_list_filters(chooser);
      w->filters = static_cast<int>(g_slist_length(list));
      g_slist_free(list);
      if (GtkFileFilter* f = gtk_file_chooser_get_filter(chooser)) {
        w->filter_name = gtk_file_filter_get_name(f);
      }
      if (match && !w->shot && ++w->seen >= 2) {
        GdkWindow* root = gdk_get_default_root_window();
        GdkPixbuf* pixels = gdk_pixbuf_get_from_window(root, 0, 0, gdk_window_get_width(root),
                                                       gdk_window_get_height(root));
        if (pixels != nullptr) {
          const std::string tmp = w->png + ".part";
          if (gdk_pixbuf_save(pixels, tmp.c_str(), "png", nullptr, nullptr)) {
            std::rename(tmp.c_str(), w->png.c_str());
          }
          g_object_unref(pixels);
        }
        w->shot = true;
      }
    }
    g_list_free(windows);
    return G_SOURCE_CONTINUE;
  }
};

TEST(GtkSaveDialogWindow, TypedNameIsAccepted) {
  if (const std::string why = StartDesktop(); !why.empty()) GTEST_SKIP() << why;

  const fs::path artifacts = ZEL_ARTIFACT_DIR;
  fs::create_directories(artifacts);
  const std::string png = (artifacts / "gtk-save-dialog.png").string();
  fs::remove(png);
  const fs::path folder = fs::temp_directory_path() / ("zel-gtk-" + std::to_string(::getpid()));
  fs::create_directories(folder);

  zel::TUnivSaveDialog dlg(nullptr);
  dlg.SetName(u"Saver");
  dlg.SetParameters(
      u"filter=\"Text files|*.txt|All files|*.*\" ext=txt caption=\"Save report\" "
      u"initialdir=\"" +
      zel::Utf8ToString(folder.string()) + u"\"");
  dlg.SetFileName(u"untitled.txt");

  Watcher watcher;
  watcher.expected_name = "report-7";
  watcher.png = png;
  const guint tick = g_timeout_add(100, &Watcher::Tick, &watcher);
  const pid_t driver = StartDriver("Save report", "report-7", png);
  const bool accepted = dlg.Execute();
  g_source_remove(tick);
  int status = 0;
  ::waitpid(driver, &status, 0);
  fs::remove_all(folder);

  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "xdotool driver failed";
  ASSERT_TRUE(accepted) << "the dialog was cancelled (timed out?)";
  EXPECT_EQ(zel::StringToUtf8(dlg.FileName()), (folder / "report-7.txt").string());
  EXPECT_EQ(dlg.FilterIndex(), 1);
  EXPECT_EQ(watcher.title, "Save report");
  EXPECT_EQ(watcher.filters, 2);
  EXPECT_EQ(watcher.filter_name, "Text files");
  EXPECT_TRUE(watcher.shot);
  EXPECT_TRUE(fs::exists(png)) << png;
  std::printf("screenshot: %s\n", png.c_str());
}

// A change of file type rewrites the name field's extension in the real
// chooser, through the same handler the component installs.
TEST(GtkSaveDialogWindow, TypeChangeRewritesTheNameField) {
  if (const std::string why = StartDesktop(); !why.empty()) GTEST_SKIP() << why;
  zel::TSaveDialog dlg(nullptr);
  dlg.AddFileType(u"Text", u"*.txt");
  dlg.AddFileType(u"Pictures", u"*.png;*.jpg");
  dlg.SetFileName(u"photo.txt");
  dlg.SetTitle(u"Type change");
  zel::TUnivSaveDialog owner(nullptr);
  dlg.SetOnTypeChange([&](zel::TObject* sender) { owner.SaveDiagTypeChange(sender); });
  std::string typed_after;
  struct Step {
    std::string* out;
  } step{&typed_after};
  // Once the dialog is up: select the second type, read the name field, close.
  g_timeout_add(
      300,
      [](gpointer data) -> gboolean {
        GList* windows = gtk_window_list_toplevels();
        for (GList* l = windows; l != nullptr; l = l->next) {
          if (!GTK_IS_FILE_CHOOSER_DIALOG(l->data)) continue;
          auto* chooser = GTK_FILE_CHOOSER(l->data);
          GSList* filters = gtk_file_chooser_list_filters(chooser);
          gtk_file_chooser_set_filter(chooser, GTK_FILE_FILTER(g_slist_nth_data(filters, 1)));
          g_slist_free(filters);
          gchar* name = gtk_file_chooser_get_current_name(chooser);
          *static_cast<Step*>(data)->out = name != nullptr ? name : "";
          g_free(name);
          gtk_dialog_response(GTK_DIALOG(l->data), GTK_RESPONSE_CANCEL);
        }
        g_list_free(windows);
        return G_SOURCE_REMOVE;
      },
      &step);
  EXPECT_FALSE(dlg.Execute());
  EXPECT_EQ(typed_after, "photo.png");
  EXPECT_EQ(dlg.FilterIndex(), 2);
  EXPECT_EQ(zel::CommDlgExtendedError(), 0u);
}

}  // namespace
