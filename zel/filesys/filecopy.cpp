// Copying files and trees: the copy engine behind FileCopyFeedBk and
// CopyFileTree.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "zel/filesys/files.h"
#include "zel/filesys/internal/pathutil.h"
#include "zel/filesys/paths.h"
#include "zel/platform/errors.h"
#include "zel/platform/files.h"
#include "zel/platform/process.h"
#include "zel/platform/tree_walk.h"
#include "zel/runtime/exception.h"
#include "zel/runtime/filename.h"
#include "zel/runtime/safefile.h"
#include "zel/runtime/utf8.h"

namespace zel {
namespace {

using platform::FileKind;
using platform::FileStatus;
using platform::WalkEntry;
using platform::WalkFolder;

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
  return err == ENOSPC || err == platform::kErrQuota || err == EFBIG || err == EROFS;
}

// A fresh name for the temporary next to `dest`.
std::string TempNameFor(const std::string& dest) {
  static std::atomic<uint64_t> counter{0};
  static const uint64_t kPid = platform::Process().ProcessId();
  const size_t slash = dest.find_last_of(internal::kNativeSeps);
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

// Writes the file open as `in` (status `ss`) to `out` and commits it: space
// reserved for large files, the data, then mode and time. Returns a status;
// `total` counts the bytes moved.
int32_t WriteCopy(int in, const FileStatus& ss, TSafeFileStream& out, bool copy_attributes,
                  int64_t& total, const std::function<void(int64_t, int64_t)>& feedback) {
  auto& fs = platform::Files();
  const int64_t size = static_cast<int64_t>(ss.size);
  const int fd = out.Handle();
  const bool direct = out.WritesDirectly();
  // Large files get their space first: a full disk is then found before a
  // byte is written, and the file system can lay the file out in one piece.
  int32_t status = kOk;
  if (!direct && size >= kCopyBlockSize) {
    const int err = fs.Reserve(fd, static_cast<uint64_t>(size));
    if (err == ENOSPC || err == platform::kErrQuota || err == EFBIG) status = kWriteError;
  }
  if (status == kOk) status = MoveData(in, fd, size, total, feedback);
  if (status == kOk && !direct) {
    if (copy_attributes && fs.SetMode(fd, (ss.mode & 0777) | platform::kOwnerWrite) != 0)
      status = kWriteError;
    if (status == kOk) fs.SetTimes(fd, nullptr, &ss.modify);
  }
  if (status == kOk && out.TryCommit() != 0) status = kWriteError;
  return status;  // without a commit the temporary is removed
}

bool ReadOnly(const FileStatus& st) {
  return st.kind == FileKind::kRegular && (st.mode & platform::kOwnerWrite) == 0;
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

  int64_t total = 0;
  if (feedback) feedback(0, static_cast<int64_t>(ss.size));
  auto finish = [&](int32_t status) {
    if (feedback) feedback(total, static_cast<int64_t>(ss.size));
    return status;
  };

  Fd in;
  if (fs.OpenRead(src, in.fd) != 0) return finish(kNoSource);
  // A read-only file is not replaced, as it could not be opened for writing
  // (whoever runs the copy).
  if (ReadOnly(ds)) return finish(kNoDest);
  // The runtime's safe replacement: a temporary beside the destination
  // renamed over it on commit, links followed, devices written directly.
  int cerr = 0;
  TSafeFileStream out(PathToFileName(dst), cerr);
  if (dst.empty() || cerr != 0) return finish(kNoDest);
  return finish(WriteCopy(in.fd, ss, out, copy_attributes, total, feedback));
}

// Makes `dir` and every missing parent (the destination the caller named,
// whose links are followed); 0 when it is a folder afterwards, else the
// error.
int ForceDirectories(const std::string& dir) {
  auto& fs = platform::Files();
  FileStatus st;
  if (fs.Status(dir, true, st) == 0) return st.kind == FileKind::kDirectory ? 0 : ENOTDIR;
  const size_t end = dir.find_last_not_of(internal::kNativeSeps);
  if (end == std::string::npos) return ENOENT;
  const size_t slash = dir.find_last_of(internal::kNativeSeps, end);
  if (slash != std::string::npos && slash > 0) {
    const int err = ForceDirectories(dir.substr(0, slash));
    if (err != 0) return err;
  }
  const int err = fs.MakeDir(dir, 0777);
  return err == EEXIST ? 0 : err;
}

std::string WithoutSlash(std::string dir) {
  while (dir.size() > 1 && std::string_view(internal::kNativeSeps).find(dir.back()) !=
                                std::string_view::npos)
    dir.pop_back();
  return dir;
}

// A tree copy: every entry of the source is copied to exactly its mirrored
// entry of the destination, both reached through open folders (see
// zel/platform/tree_walk.h), so links in either tree are never followed.
struct TreeWalk {
  bool copy_attributes;
  const TTreeCopyFailure& on_failure;
  FileStatus source_root, dest_root;
  int32_t failures = 0;

  void Fail(const std::string& dst, int32_t error) {
    ++failures;
    if (on_failure) on_failure(PathToFileName(WithoutSlash(dst)), error);
  }

  void Copy(const WalkFolder& src, const WalkFolder& dst, const std::string& src_path,
            const std::string& dst_path) {
    std::vector<WalkEntry> entries;
    const int err = src.List(entries);
    if (err != 0) return Fail(dst_path, err);
    for (const auto& e : entries) {
      if (g_abort.load()) return;
      const std::string d = dst_path + e.name;
      switch (e.status.kind) {
        case FileKind::kDirectory:
          if (!e.status.SameFile(dest_root)) CopyFolder(src, dst, e, src_path + e.name, d);
          break;
        case FileKind::kRegular:
          CopyFile(src, dst, e, src_path + e.name, d);
          break;
        case FileKind::kSymlink:
          CopyLink(src, dst, e, d);
          break;
        case FileKind::kMissing:  // vanished while the folder was listed
          Fail(d, ENOENT);
          break;
        default:
          Fail(d, EOPNOTSUPP);  // pipes, devices and sockets are not copied
      }
    }
    if (copy_attributes && !g_abort.load())
      platform::Files().SetMode(dst.Fd(), (src.Status().mode & 0777) | platform::kOwnerAll);
  }

  void CopyFolder(const WalkFolder& src, const WalkFolder& dst, const WalkEntry& e,
                  const std::string& s, const std::string& d) {
    WalkFolder from, to;
    int err = from.OpenSub(src, e.name, e.status);
    if (err != 0) return Fail(d, err);
    bool created = false;
    err = to.MakeSub(dst, e.name, 0777, created);
    if (err != 0) return Fail(d, err);
    // A source inside its destination: this copy would write into the
    // source itself (copying "a/b" to "a" when "a/b" holds "b").
    if (to.Status().SameFile(source_root)) return Fail(d, EINVAL);
    Copy(from, to, s + internal::kNativeSep, d + internal::kNativeSep);
  }

  void CopyFile(const WalkFolder& src, const WalkFolder& dst, const WalkEntry& e,
                const std::string& s, const std::string& d) {
    TreeCopyState& tree = Tree();
    tree.current = PathToFileName(d);
    ++tree.count;
    Fd in;
    FileStatus ss;
    const int err = src.OpenFile(e, in.fd, ss);
    if (err == ENOENT) RaiseIo("Cannot open file", PathToFileName(s), err);
    if (err != 0) {
      Fail(d, err);  // no longer the file that was listed
    } else {
      int32_t error = 0;
      const int32_t status = CopyInto(in.fd, ss, dst, e.name, error, [&tree](int64_t b, int64_t n) {
        tree.last_bytes = b;
        tree.last_size = n;
        if (tree.feedback) tree.feedback(b, n, tree.current, tree.count);
      });
      if (status != kOk && status != kAborted) Fail(d, error);
    }
    if (tree.feedback) tree.feedback(tree.last_bytes, tree.last_size, tree.current, tree.count);
  }

  // Copies the file open as `in` (status `ss`) to the entry `name` of `dst`:
  // a new file, or a regular file replaced; any other kind of entry there is
  // a clash (`error` EEXIST), otherwise `error` is the status.
  int32_t CopyInto(int in, const FileStatus& ss, const WalkFolder& dst, const std::string& name,
                   int32_t& error, const std::function<void(int64_t, int64_t)>& feedback) {
    g_abort.store(false);
    auto& fs = platform::Files();
    FileStatus ds;
    fs.StatusAt(dst.Fd(), name, false, ds);
    if (ss.SameFile(ds)) return kOk;
    int64_t total = 0;
    if (feedback) feedback(0, static_cast<int64_t>(ss.size));
    auto finish = [&](int32_t status) {
      if (feedback) feedback(total, static_cast<int64_t>(ss.size));
      return error = status;
    };
    if (ds.kind != FileKind::kMissing && ds.kind != FileKind::kRegular) {
      finish(kNoDest);
      error = EEXIST;
      return kNoDest;
    }
    if (ReadOnly(ds)) return finish(kNoDest);
    int cerr = 0;
    TSafeFileStream out(dst.Fd(), PathToFileName(name), cerr);
    if (cerr != 0) {
      finish(kNoDest);
      // Another kind of entry took the name since it was looked at.
      if (cerr == ELOOP || cerr == EISDIR || cerr == EEXIST) error = EEXIST;
      return kNoDest;
    }
    return finish(WriteCopy(in, ss, out, copy_attributes, total, feedback));
  }

  // Recreates the link as the entry of the same name in `dst`: made there
  // when the name is free, replacing a link that holds it; any other kind of
  // entry there is a clash.
  void CopyLink(const WalkFolder& src, const WalkFolder& dst, const WalkEntry& e,
                const std::string& d) {
    auto& fs = platform::Files();
    TreeCopyState& tree = Tree();
    tree.current = PathToFileName(d);
    ++tree.count;
    tree.last_bytes = tree.last_size = 0;
    std::string target;
    FileStatus ds;
    int err = fs.ReadLinkAt(src.Fd(), e.name, target);
    if (err == 0) {
      fs.StatusAt(dst.Fd(), e.name, false, ds);
      if (ds.kind == FileKind::kMissing) {
        err = fs.MakeSymlinkAt(target, dst.Fd(), e.name);
      } else if (ds.kind != FileKind::kSymlink) {
        err = EEXIST;
      } else {
        std::string temp;
        for (int attempt = 0; attempt < 100; ++attempt) {
          temp = TempNameFor(e.name);
          err = fs.MakeSymlinkAt(target, dst.Fd(), temp);
          if (err != EEXIST) break;
        }
        if (err == 0) {
          err = fs.RenameAt(dst.Fd(), temp, e.name, true);
          if (err != 0) fs.UnlinkAt(dst.Fd(), temp, false);
        }
      }
    }
    if (err != 0) Fail(d, err);
    if (tree.feedback) tree.feedback(0, 0, tree.current, tree.count);
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
                       const TTreeCopyFeedBack64& FeedBack, const TTreeCopyFailure& OnFailure) {
  TreeCopyState& tree = Tree();
  tree = TreeCopyState{};
  tree.feedback = FeedBack;
  g_abort.store(false);
  // The caller's feedback is dropped on every way out, exceptions included.
  struct Release {
    TreeCopyState& tree;
    ~Release() { tree.feedback = nullptr; }
  } release{tree};
  auto& fs = platform::Files();
  const std::string src = internal::WithSlash(Source.empty() ? "." : internal::NativePath(Source));
  const std::string dst =
      internal::WithSlash(Destination.empty() ? "." : internal::NativePath(Destination));
  WalkFolder from;
  const int serr = from.OpenRoot(src, true);
  FileStatus ds;
  fs.Status(dst, true, ds);
  if (serr == 0) {
    if (from.Status().SameFile(ds)) return 0;
    // A copy made inside the source would be part of what it copies.
    bool within = false;
    if (platform::PathIsWithin(dst, from, within) == 0 && within)
      throw EInOutError(u"Cannot copy the folder \"" + Source + u"\" into \"" + Destination +
                            u"\", which is inside it.",
                        EINVAL);
  }
  TreeWalk walk{CopyAttributes, OnFailure, from.Status(), FileStatus{}};
  // The destination is made first, also when there is nothing to copy.
  int err = ForceDirectories(dst);
  if (err == 0) err = serr;
  WalkFolder to;
  if (err == 0) err = to.OpenRoot(dst, true);
  if (err != 0) {
    walk.Fail(dst, err);
    return walk.failures;
  }
  walk.dest_root = to.Status();
  walk.Copy(from, to, src, dst);
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
