// Copying files and trees: the copy engine behind FileCopyFeedBk and
// CopyFileTree.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "zel/filesys/files.h"
#include "zel/filesys/internal/pathutil.h"
#include "zel/filesys/paths.h"
#include "zel/platform/files.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/safefile.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

using platform::FileKind;
using platform::FileStatus;

std::atomic<bool> g_abort{false};

// The state of a running tree copy.
struct TreeCopyState {
  TTreeCopyFeedBack64 feedback;
  String current;  // destination name of the current file
  int32_t count = 0;
  int64_t last_bytes = 0;
  int64_t last_size = 0;
};
TreeCopyState& Tree() {
  static TreeCopyState state;
  return state;
}

constexpr int32_t kOk = 0, kNoSource = -1, kNoDest = -2, kWriteError = -3, kReadError = -4,
                  kAborted = -5;

int32_t Clamp32(int64_t v) { return v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v); }

// Closes a descriptor on every way out.
struct Fd {
  int fd = -1;
  Fd() = default;
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd >= 0) platform::Files().Close(fd);
  }
};

[[noreturn]] void RaiseIo(const char* what, const String& name, int err) {
  throw EInOutError(Utf8ToString(what) + u" \"" + name + u"\". " + Utf8ToString(std::strerror(err)),
                    err);
}

bool WriteSideError(int err) {
  return err == ENOSPC || err == EDQUOT || err == EFBIG || err == EROFS;
}

// A fresh name for the temporary next to `dest`.
std::string TempNameFor(const std::string& dest) {
  static std::atomic<uint64_t> counter{0};
  static const uint64_t kPid = static_cast<uint64_t>(::getpid());
  const size_t slash = dest.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "" : dest.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? dest : dest.substr(slash + 1);
  if (base.size() > 200) base.resize(200);  // room for the suffix within NAME_MAX
  uint64_t x = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
               (kPid << 32) ^ (++counter * 0x9E3779B97F4A7C15ull);
  static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix;
  for (int i = 0; i < 6; ++i) {
    suffix += kDigits[x % 36];
    x /= 36;
  }
  return dir + "." + base + ".zel-" + suffix;
}

// Moves the bytes; returns a status.
int32_t MoveData(int in, int out, int64_t size, int64_t& total,
                 const std::function<void(int64_t, int64_t)>& feedback) {
  auto& fs = platform::Files();
  bool kernel = true;
  std::unique_ptr<char[]> buffer;
  for (;;) {
    if (feedback) feedback(total, size);
    size_t n = 0;
    if (kernel) {
      const int err = fs.CopyRange(in, out, static_cast<size_t>(kCopyBlockSize), n);
      if (err != 0) {
        const bool unsupported =
            err == ENOSYS || err == EXDEV || err == EINVAL || err == EOPNOTSUPP || err == EBADF;
        if (!(unsupported && total == 0)) return WriteSideError(err) ? kWriteError : kReadError;
        kernel = false;
      }
    }
    if (!kernel) {
      if (!buffer) {
        buffer.reset(new (std::nothrow) char[static_cast<size_t>(kCopyBlockSize)]);
        if (!buffer) return kReadError;
      }
      if (fs.Read(in, buffer.get(), static_cast<size_t>(kCopyBlockSize), n) != 0) return kReadError;
      if (n > 0 && fs.Write(out, buffer.get(), n) != 0) return kWriteError;
    }
    total += static_cast<int64_t>(n);
    if (g_abort.load(std::memory_order_relaxed)) return kAborted;
    if (n == 0) return kOk;
    if (static_cast<int64_t>(n) < kCopyBlockSize && total >= size) return kOk;
  }
}

int32_t CopyOne(const String& source, const String& destination, bool copy_attributes,
                const std::function<void(int64_t, int64_t)>& feedback) {
  g_abort.store(false);
  auto& fs = platform::Files();
  const std::string src = internal::NativePath(source);
  if (src.empty()) RaiseIo("Cannot open file", source, source.empty() ? ENOENT : EINVAL);
  std::string dst = internal::NativePath(destination);
  FileStatus ds;
  fs.Status(dst, true, ds);
  if (ds.kind == FileKind::kDirectory) {
    dst = internal::WithSlash(dst) + internal::NativePath(ExtractFileName(source));
    fs.Status(dst, true, ds);
  }
  if (source == destination) return kOk;
  FileStatus ss;
  const int serr = fs.Status(src, true, ss);
  if (serr != 0) RaiseIo("Cannot open file", source, serr);
  if (ss.kind == FileKind::kDirectory) RaiseIo("Cannot open file", source, EISDIR);
  if (ss.SameFile(ds)) return kOk;

  const int64_t size = static_cast<int64_t>(ss.size);
  int64_t total = 0;
  if (feedback) feedback(0, size);
  auto finish = [&](int32_t status) {
    if (feedback) feedback(total, size);
    return status;
  };

  Fd in;
  if (fs.OpenRead(src, in.fd) != 0) return finish(kNoSource);

  // A read-only file is not replaced, as it could not be opened for writing
  // (whoever runs the copy).
  if (ds.kind == FileKind::kRegular && (ds.mode & S_IWUSR) == 0) return finish(kNoDest);
  // The runtime's safe replacement: a temporary beside the destination
  // renamed over it on commit, links followed, devices written directly.
  int cerr = 0;
  TSafeFileStream out(PathToFileName(dst), cerr);
  if (dst.empty() || cerr != 0) return finish(kNoDest);
  const int fd = out.Handle();
  const bool direct = out.WritesDirectly();

  // Large files get their space first: a full disk is then found before a
  // byte is written, and the file system can lay the file out in one piece.
  int32_t status = kOk;
  if (!direct && size >= kCopyBlockSize) {
    const int err = fs.Reserve(fd, static_cast<uint64_t>(size));
    if (err == ENOSPC || err == EDQUOT || err == EFBIG) status = kWriteError;
  }
  if (status == kOk) status = MoveData(in.fd, fd, size, total, feedback);
  if (status == kOk && !direct) {
    if (copy_attributes && fs.SetMode(fd, (ss.mode & 0777) | S_IWUSR) != 0) status = kWriteError;
    if (status == kOk) fs.SetTimes(fd, nullptr, &ss.modify);
  }
  if (status == kOk && out.TryCommit() != 0) status = kWriteError;
  return finish(status);  // without a commit the temporary is removed
}

// Makes `dir` and every missing parent; true when it exists afterwards.
bool ForceDirectories(const std::string& dir) {
  auto& fs = platform::Files();
  FileStatus st;
  if (fs.Status(dir, true, st) == 0) return st.kind == FileKind::kDirectory;
  const size_t end = dir.find_last_not_of('/');
  if (end == std::string::npos) return false;
  const size_t slash = dir.find_last_of('/', end);
  if (slash != std::string::npos && slash > 0 && !ForceDirectories(dir.substr(0, slash)))
    return false;
  const int err = fs.MakeDir(dir, 0777);
  return err == 0 || err == EEXIST;
}

// Recreates the symbolic link `src` as `dst` (replacing what is there).
bool CopyLink(const std::string& src, const std::string& dst) {
  auto& fs = platform::Files();
  std::string target, temp;
  if (fs.ReadLink(src, target) != 0) return false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp = TempNameFor(dst);
    const int err = fs.MakeSymlink(target, temp);
    if (err == 0) break;
    if (err != EEXIST) return false;
  }
  if (fs.Rename(temp, dst) != 0) {
    fs.Unlink(temp);
    return false;
  }
  return true;
}

struct TreeWalk {
  bool copy_attributes;
  FileStatus dest_root;
  int32_t failures = 0;

  void Copy(const std::string& src, const std::string& dst) {
    auto& fs = platform::Files();
    if (!ForceDirectories(dst)) {
      ++failures;
      return;
    }
    if (dest_root.kind == FileKind::kMissing) fs.Status(dst, true, dest_root);
    std::vector<platform::DirEntry> entries;
    if (fs.List(src, entries) != 0) {
      ++failures;
      return;
    }
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    TreeCopyState& tree = Tree();
    for (const auto& e : entries) {
      if (g_abort.load()) return;
      const std::string s = src + e.name;
      const std::string d = dst + e.name;
      switch (e.kind) {
        case FileKind::kDirectory: {
          FileStatus st;
          if (fs.Status(s, false, st) == 0 && st.SameFile(dest_root)) break;  // the copy itself
          Copy(s + "/", d + "/");
          break;
        }
        case FileKind::kRegular: {
          tree.current = PathToFileName(d);
          ++tree.count;
          const int32_t status = CopyOne(PathToFileName(s), tree.current, copy_attributes,
                                         [&tree](int64_t b, int64_t n) {
                                           tree.last_bytes = b;
                                           tree.last_size = n;
                                           if (tree.feedback)
                                             tree.feedback(b, n, tree.current, tree.count);
                                         });
          if (status != kOk && status != kAborted) ++failures;
          if (tree.feedback)
            tree.feedback(tree.last_bytes, tree.last_size, tree.current, tree.count);
          break;
        }
        case FileKind::kSymlink:
          tree.current = PathToFileName(d);
          ++tree.count;
          tree.last_bytes = tree.last_size = 0;
          if (!CopyLink(s, d)) ++failures;
          if (tree.feedback) tree.feedback(0, 0, tree.current, tree.count);
          break;
        default:
          ++failures;  // pipes, devices and sockets are not copied
      }
    }
    if (copy_attributes && !g_abort.load()) {
      FileStatus st;
      Fd dir;
      if (fs.Status(src, true, st) == 0 && fs.OpenRead(dst, dir.fd) == 0)
        fs.SetMode(dir.fd, (st.mode & 0777) | S_IRWXU);
    }
  }
};

}  // namespace

int32_t FileCopyFeedBk64(const String& Source, const String& Destination, bool CopyAttributes,
                         const TFileCopyFeedBack64& FeedBack) {
  return CopyOne(Source, Destination, CopyAttributes, FeedBack);
}

int32_t FileCopyFeedBk(const String& Source, const String& Destination, bool CopyAttributes,
                       const TFileCopyFeedBack& FeedBack) {
  std::function<void(int64_t, int64_t)> wide;
  if (FeedBack) wide = [&FeedBack](int64_t b, int64_t n) { FeedBack(Clamp32(b), Clamp32(n)); };
  return CopyOne(Source, Destination, CopyAttributes, wide);
}

int32_t CopyFileTree64(const String& Source, const String& Destination, bool CopyAttributes,
                       const TTreeCopyFeedBack64& FeedBack) {
  TreeCopyState& tree = Tree();
  tree = TreeCopyState{};
  tree.feedback = FeedBack;
  g_abort.store(false);
  auto& fs = platform::Files();
  const std::string src = internal::WithSlash(Source.empty() ? "." : internal::NativePath(Source));
  const std::string dst =
      internal::WithSlash(Destination.empty() ? "." : internal::NativePath(Destination));
  FileStatus ss, ds;
  if (fs.Status(src, true, ss) != 0 || ss.kind != FileKind::kDirectory) {
    tree.feedback = nullptr;
    return 1;
  }
  fs.Status(dst, true, ds);
  if (ss.SameFile(ds)) {
    tree.feedback = nullptr;
    return 0;
  }
  // The caller's feedback is dropped on every way out, exceptions included.
  struct Release {
    TreeCopyState& tree;
    ~Release() { tree.feedback = nullptr; }
  } release{tree};
  TreeWalk walk{CopyAttributes, ds};
  walk.Copy(src, dst);
  return walk.failures;
}

void CopyFileTree(const String& Source, const String& Destination, bool CopyAttributes,
                  const TTreeCopyFeedBack& FeedBack) {
  TTreeCopyFeedBack64 wide;
  if (FeedBack) {
    wide = [&FeedBack](int64_t b, int64_t n, const String& name, int32_t count) {
      FeedBack(Clamp32(b), Clamp32(n), name, count);
    };
  }
  CopyFileTree64(Source, Destination, CopyAttributes, wide);
}

void AbortAnyFileCopying() { g_abort.store(true); }

}  // namespace zel
