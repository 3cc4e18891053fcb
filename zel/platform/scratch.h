// Scratch space for intermediate files: a private temporary folder, and an
// anonymous file that lives in memory only.
//
// A private folder is created with mode 0700 (Windows: the access list of
// its parent, the user's own temporary folder normally) under a fresh,
// unpredictable name, so nobody else can plant or read a file in it. An anonymous file has
// no name in any folder: it is reachable through a path of its own only while
// it is open, and it disappears with its last descriptor. The implementation
// in force is Scratch(); tests substitute one with SetScratchBackend (see
// backend.h).
#pragma once

#include <functional>
#include <string>

#include "zel/export.h"

namespace zel::platform {

// The scratch-space concern.
class ZEL_API ScratchSpace {
 public:
  virtual ~ScratchSpace();
  // Creates a private folder in the existing folder `parent`, named `prefix`
  // followed by six random characters; `folder` receives its path (empty on
  // failure). Returns 0, or the errno value of the failure.
  virtual int MakePrivateFolder(const std::string& parent, const std::string& prefix,
                                std::string& folder) = 0;
  // Creates a file in the existing folder `dir` under a fresh name starting
  // with `prefix`, open for reading and writing, and removes the name at
  // once, so nothing is left behind even when the process is killed; `fd`
  // receives the descriptor (-1 on failure), which the caller closes.
  // Returns 0, or the errno value of the failure.
  virtual int OpenNamelessFile(const std::string& dir, const std::string& prefix, int& fd) = 0;
  // Creates an anonymous file (`label` names it in diagnostics only), calls
  // `write` with a path that opens it, then reads everything written into
  // `bytes` (replacing its contents) and discards the file. Returns 0, or the
  // errno value of creating or reading the file. The file is discarded on
  // every way out; an exception thrown by `write` passes through.
  virtual int CaptureAnonymousFile(const std::string& label,
                                   const std::function<void(const std::string& path)>& write,
                                   std::string& bytes) = 0;
};

// The Linux implementation: mkdtemp, mkstemp and unlink, and memfd_create
// read back with pread. The Windows one: CreateDirectoryW under a random
// name (RtlGenRandom); a nameless file is created with CREATE_NEW and
// FILE_FLAG_DELETE_ON_CLOSE, so the system removes it when its handle closes
// or the process ends, and its name goes at once where the file system
// deletes with POSIX semantics (else it stays visible until then); a
// captured file is a temporary file in the temporary folder, which the
// writer may open, cut or replace, read back and removed on every way out.
class ZEL_API NativeScratchSpace : public ScratchSpace {
 public:
  int OpenNamelessFile(const std::string& dir, const std::string& prefix, int& fd) override;
  int MakePrivateFolder(const std::string& parent, const std::string& prefix,
                        std::string& folder) override;
  int CaptureAnonymousFile(const std::string& label,
                           const std::function<void(const std::string& path)>& write,
                           std::string& bytes) override;
};

// The process's native implementation (built on first use).
ZEL_API ScratchSpace& NativeScratch();
// The implementation in force, which the modules and the tool call.
ZEL_API ScratchSpace& Scratch();
// Installs backend (nullptr: the native implementation) and returns the one
// that was in force before.
ZEL_API ScratchSpace* SetScratchBackend(ScratchSpace* backend);

}  // namespace zel::platform
