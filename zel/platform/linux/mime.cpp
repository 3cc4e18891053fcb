#include "zel/platform/mime.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <vector>

namespace zel::platform {

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::vector<std::string> Split(std::string_view s, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = s.find(sep, start);
    if (end == std::string_view::npos) end = s.size();
    if (end > start) parts.emplace_back(s.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string Home() {
  const char* h = std::getenv("HOME");
  return h && h[0] == '/' ? h : "";
}

// The variable's value when absolute, else the default below $HOME.
std::string BaseDir(const char* var, const char* home_default) {
  const char* v = std::getenv(var);
  if (v && v[0] == '/') return v;
  const std::string home = Home();
  return home.empty() ? home : home + home_default;
}

std::vector<std::string> DirList(const char* home_var, const char* home_default,
                                 const char* list_var, const char* list_default) {
  std::vector<std::string> dirs;
  if (std::string home = BaseDir(home_var, home_default); !home.empty()) dirs.push_back(home);
  const char* v = std::getenv(list_var);
  for (const std::string& d : Split(v && v[0] ? v : list_default, ':'))
    if (d[0] == '/') dirs.push_back(d);
  return dirs;
}

std::vector<std::string> DataDirs() {
  return DirList("XDG_DATA_HOME", "/.local/share", "XDG_DATA_DIRS", "/usr/local/share:/usr/share");
}

std::vector<std::string> ConfigDirs() {
  return DirList("XDG_CONFIG_HOME", "/.config", "XDG_CONFIG_DIRS", "/etc/xdg");
}

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The lines of one group of a desktop-style key file, "key=value" pairs in
// file order; false when the file cannot be read.
bool ReadGroup(const std::string& path, std::string_view group,
               std::vector<std::pair<std::string, std::string>>& entries) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      inside = line == "[" + std::string(group) + "]";
      continue;
    }
    if (!inside) continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    size_t kend = eq;
    while (kend > 0 && line[kend - 1] == ' ') --kend;
    size_t vstart = eq + 1;
    while (vstart < line.size() && line[vstart] == ' ') ++vstart;
    entries.emplace_back(line.substr(0, kend), line.substr(vstart));
  }
  return true;
}

// The general escapes of desktop-file values.
std::string Unescape(std::string_view v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) {
    if (v[i] != '\\' || i + 1 == v.size()) {
      out.push_back(v[i]);
      continue;
    }
    const char c = v[++i];
    out.push_back(c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c);
  }
  return out;
}

bool ListContains(std::string_view list, std::string_view item) {
  for (const std::string& s : Split(list, ';'))
    if (s == item) return true;
  return false;
}

class NativeMimeDatabase final : public MimeDatabase {
 public:
  std::string TypeOfExtension(std::string_view extension) override {
    if (extension.empty()) return {};
    // A pattern equal to the extension as written beats one that matches
    // only without regard to case; then the weight decides.
    std::string best, best_exact;
    int best_weight = -1, best_exact_weight = -1;
    std::set<std::string> no_globs;  // types cleared by a folder of higher precedence
    for (const std::string& dir : DataDirs()) {
      std::set<std::string> cleared_here;
      const bool v2 = IsFile(dir + "/mime/globs2");
      std::ifstream in(dir + (v2 ? "/mime/globs2" : "/mime/globs"));
      std::string line;
      while (in && std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        // globs2: weight:type:pattern[:flags]; globs: type:pattern.
        std::string type, rest, flags;
        int weight = 50;
        if (v2) {
          const size_t c1 = line.find(':');
          const size_t c2 = c1 == std::string::npos ? c1 : line.find(':', c1 + 1);
          if (c2 == std::string::npos) continue;
          weight = std::atoi(line.substr(0, c1).c_str());
          type = line.substr(c1 + 1, c2 - c1 - 1);
          rest = line.substr(c2 + 1);
          if (const size_t c3 = rest.find(':'); c3 != std::string::npos) {
            flags = rest.substr(c3 + 1);
            rest.resize(c3);
          }
        } else {
          const size_t c1 = line.find(':');
          if (c1 == std::string::npos) continue;
          type = line.substr(0, c1);
          rest = line.substr(c1 + 1);
        }
        if (rest == "__NOGLOBS__") {
          cleared_here.insert(type);
          continue;
        }
        if (no_globs.count(type)) continue;
        if (rest.size() < 3 || rest[0] != '*' || rest[1] != '.') continue;
        const std::string_view ext = std::string_view(rest).substr(2);
        if (ext.find_first_of("*?[") != std::string_view::npos) continue;
        bool cs = false;
        for (const std::string& flag : Split(flags, ',')) cs = cs || flag == "cs";
        if (ext == extension) {
          if (weight > best_exact_weight) {
            best_exact_weight = weight;
            best_exact = type;
          }
        } else if (!cs && EqualNoCase(ext, extension) && weight > best_weight) {
          best_weight = weight;
          best = type;
        }
      }
      no_globs.insert(cleared_here.begin(), cleared_here.end());
    }
    return best_exact.empty() ? best : best_exact;
  }

  std::string OpenCommand(std::string_view mime_type) override {
    if (mime_type.empty()) return {};
    const std::vector<std::string> data = DataDirs();
    std::vector<std::string> lists;
    std::vector<std::string> desktops;
    if (const char* d = std::getenv("XDG_CURRENT_DESKTOP"))
      for (std::string name : Split(d, ':')) {
        for (char& c : name) c = Lower(c);
        desktops.push_back(name);
      }
    std::vector<std::string> list_dirs = ConfigDirs();
    for (const std::string& d : data) list_dirs.push_back(d + "/applications");
    for (const std::string& dir : list_dirs) {
      for (const std::string& desk : desktops) lists.push_back(dir + "/" + desk + "-mimeapps.list");
      lists.push_back(dir + "/mimeapps.list");
    }
    // Defaults first, in precedence order.
    for (const std::string& list : lists) {
      std::vector<std::pair<std::string, std::string>> entries;
      if (!ReadGroup(list, "Default Applications", entries)) continue;
      for (const auto& [key, value] : entries)
        if (key == mime_type)
          for (const std::string& id : Split(value, ';'))
            if (std::string cmd = ExecOf(data, id); !cmd.empty()) return cmd;
    }
    // Then the added associations and the caches, minus removed ones.
    std::set<std::string> removed;
    for (const std::string& list : lists) {
      std::vector<std::pair<std::string, std::string>> entries;
      if (ReadGroup(list, "Removed Associations", entries))
        for (const auto& [key, value] : entries)
          if (key == mime_type)
            for (const std::string& id : Split(value, ';')) removed.insert(id);
      entries.clear();
      if (!ReadGroup(list, "Added Associations", entries)) continue;
      for (const auto& [key, value] : entries)
        if (key == mime_type)
          for (const std::string& id : Split(value, ';'))
            if (!removed.count(id))
              if (std::string cmd = ExecOf(data, id); !cmd.empty()) return cmd;
    }
    for (const std::string& d : data) {
      const std::string apps = d + "/applications";
      std::vector<std::pair<std::string, std::string>> entries;
      if (ReadGroup(apps + "/mimeinfo.cache", "MIME Cache", entries)) {
        for (const auto& [key, value] : entries)
          if (key == mime_type)
            for (const std::string& id : Split(value, ';'))
              if (!removed.count(id))
                if (std::string cmd = ExecOf(data, id); !cmd.empty()) return cmd;
        continue;
      }
      std::vector<std::pair<std::string, std::string>> files;
      DesktopFilesIn(apps, "", files);
      for (const auto& [id, path] : files) {
        if (removed.count(id)) continue;
        std::vector<std::pair<std::string, std::string>> entry;
        if (!ReadGroup(path, "Desktop Entry", entry)) continue;
        for (const auto& [key, value] : entry)
          if (key == "MimeType" && ListContains(value, mime_type))
            if (std::string cmd = ExecOf(data, id); !cmd.empty()) return cmd;
      }
    }
    return {};
  }

 private:
  // The desktop entries below a folder as (id, path below the folder); an
  // entry in a subfolder has the id "<subfolder>-<name>".
  static void DesktopFilesIn(const std::string& dir, const std::string& prefix,
                             std::vector<std::pair<std::string, std::string>>& found,
                             int depth = 0) {
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    std::vector<std::string> names;
    while (const struct dirent* e = readdir(d)) names.emplace_back(e->d_name);
    closedir(d);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      if (name == "." || name == "..") continue;
      const std::string path = dir + "/" + name;
      if (name.size() > 8 && name.compare(name.size() - 8, 8, ".desktop") == 0 && IsFile(path)) {
        found.emplace_back(prefix + name, path);
      } else if (depth < 4) {
        struct stat st;
        if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
          DesktopFilesIn(path, prefix + name + "-", found, depth + 1);
      }
    }
  }

  // The Exec line of an installed, visible desktop entry; empty otherwise.
  static std::string ExecOf(const std::vector<std::string>& data, const std::string& id) {
    if (id.empty() || id.find('/') != std::string::npos || id.find("..") != std::string::npos)
      return {};
    std::vector<std::string> rel{id};
    for (size_t dash = id.find('-'); dash != std::string::npos; dash = id.find('-', dash + 1)) {
      std::string r = rel.back();
      r[dash] = '/';
      rel.push_back(r);
    }
    for (const std::string& d : data)
      for (const std::string& r : rel) {
        std::vector<std::pair<std::string, std::string>> entry;
        if (!ReadGroup(d + "/applications/" + r, "Desktop Entry", entry)) continue;
        std::string exec;
        bool hidden = false;
        for (const auto& [key, value] : entry) {
          if (key == "Exec") exec = Unescape(value);
          if (key == "Hidden" && value == "true") hidden = true;
        }
        // The first file found for an id is the entry, usable or not.
        return hidden ? std::string() : exec;
      }
    return {};
  }
};

}  // namespace

MimeDatabase& NativeMime() {
  static NativeMimeDatabase db;
  return db;
}

}  // namespace zel::platform
