#include "zel/platform/tree_walk.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace zel::platform {

WalkFolder::~WalkFolder() { Close(); }

WalkFolder::WalkFolder(WalkFolder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), status_(other.status_) {}

WalkFolder& WalkFolder::operator=(WalkFolder&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    status_ = other.status_;
  }
  return *this;
}

void WalkFolder::Close() {
  if (fd_ >= 0) Files().Close(fd_);
  fd_ = -1;
  status_ = FileStatus{};
}

int WalkFolder::Adopt(int fd) {
  Close();
  const int err = Files().StatusOf(fd, status_);
  if (err != 0) {
    Files().Close(fd);
    return err;
  }
  fd_ = fd;
  return 0;
}

int WalkFolder::OpenRoot(const std::string& path, bool follow) {
  Close();
  int fd = -1;
  const int err = Files().OpenFolder(path, follow, fd);
  return err != 0 ? err : Adopt(fd);
}

int WalkFolder::OpenSub(const WalkFolder& parent, const std::string& name,
                        const FileStatus& listed) {
  Close();
  if (listed.kind != FileKind::kDirectory) return ENOTDIR;
  int fd = -1;
  int err = Files().OpenFolderAt(parent.fd_, name, fd);
  if (err == 0) err = Adopt(fd);
  if (err == 0 && !status_.SameFile(listed)) {
    Close();
    err = kEntryReplaced;
  }
  return err;
}

int WalkFolder::MakeSub(const WalkFolder& parent, const std::string& name, uint32_t mode,
                        bool& created) {
  Close();
  auto& fs = Files();
  const int made = fs.MakeDirAt(parent.fd_, name, mode);
  created = made == 0;
  if (made != 0 && made != EEXIST) return made;
  int fd = -1;
  int err = fs.OpenFolderAt(parent.fd_, name, fd);
  // A link or a file in the way is a clash, whatever it points to.
  if (err == ELOOP || err == ENOTDIR) return EEXIST;
  return err != 0 ? err : Adopt(fd);
}

int WalkFolder::List(std::vector<WalkEntry>& out) const {
  out.clear();
  auto& fs = Files();
  std::vector<DirEntry> entries;
  const int err = fs.ListAt(fd_, entries);
  out.reserve(entries.size());
  for (auto& e : entries) {
    WalkEntry w;
    w.name = std::move(e.name);
    fs.StatusAt(fd_, w.name, false, w.status);
    out.push_back(std::move(w));
  }
  std::sort(out.begin(), out.end(),
            [](const WalkEntry& a, const WalkEntry& b) { return a.name < b.name; });
  return err;
}

int WalkFolder::OpenFile(const WalkEntry& entry, int& fd, FileStatus& status) const {
  fd = -1;
  status = FileStatus{};
  auto& fs = Files();
  if (entry.status.kind == FileKind::kMissing) return ENOENT;
  int err = fs.OpenReadAt(fd_, entry.name, fd);
  if (err != 0) return err;
  err = fs.StatusOf(fd, status);
  if (err == 0 && !status.SameFile(entry.status)) err = kEntryReplaced;
  if (err != 0) {
    fs.Close(fd);
    fd = -1;
  }
  return err;
}

int WalkFolder::IsWithin(const WalkFolder& outer, bool& within) const {
  within = false;
  auto& fs = Files();
  FileStatus here = status_;
  int dir = fd_;
  int err = 0;
  // Every folder on the way up is opened from the one below it; the root of
  // the system is its own parent.
  for (int depth = 0; depth < 4096; ++depth) {
    if (here.SameFile(outer.status_)) {
      within = true;
      break;
    }
    int up = -1;
    err = fs.OpenParent(dir, up);
    if (dir != fd_) fs.Close(dir);
    dir = -1;
    if (err != 0) break;
    dir = up;
    FileStatus above;
    err = fs.StatusOf(dir, above);
    if (err != 0 || above.SameFile(here)) break;
    here = above;
  }
  if (dir >= 0 && dir != fd_) fs.Close(dir);
  return err;
}

int PathIsWithin(const std::string& path, const WalkFolder& outer, bool& within) {
  within = false;
  // The separators of names: "/" (Linux); "\\" and "/" (Windows).
#ifdef _WIN32
  constexpr const char* kSeparators = "\\/";
  // A drive's root ("C:\\") keeps its separator: "C:" is another folder.
  auto root = [](const std::string& q) { return q.size() == 3 && q[1] == ':'; };
#else
  constexpr const char* kSeparators = "/";
  auto root = [](const std::string&) { return false; };
#endif
  std::string p = path;
  for (;;) {
    while (p.size() > 1 && !root(p) && std::strchr(kSeparators, p.back()) != nullptr) p.pop_back();
    FileStatus st;
    if (p.empty() || Files().Status(p, true, st) == 0) break;
    const size_t slash = p.find_last_of(kSeparators);
    p = slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
  }
  WalkFolder nearest;
  const int err = nearest.OpenRoot(p.empty() ? "." : p, true);
  return err != 0 ? err : nearest.IsWithin(outer, within);
}

}  // namespace zel::platform
