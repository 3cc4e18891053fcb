// The runtime's exception classes.
//
// zel::Exception carries a UTF-16 message; what() returns the same text in
// UTF-8. The library's own error family (EZELError and its children) derives
// from it; the classes here report failures of the runtime services
// themselves (files, conversions, streams, arithmetic).
#pragma once

#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "zel/runtime/types.h"

namespace zel {

class ZEL_API Exception : public std::exception {
 public:
  explicit Exception(String Msg);
  explicit Exception(const char* Utf8Msg);
  ~Exception() override;

  const String& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return utf8_.c_str(); }

 private:
  String message_;
  std::string utf8_;
};

#define ZEL_DECLARE_EXCEPTION(Name, Base) \
  class ZEL_API Name : public Base {      \
   public:                                \
    using Base::Base;                     \
    ~Name() override;                     \
  }

// An input/output failure; ErrorCode() is the operating system's errno value
// (or a runtime code for conditions the OS does not report).
class ZEL_API EInOutError : public Exception {
 public:
  EInOutError(String Msg, int ErrorCode);
  ~EInOutError() override;
  int ErrorCode() const noexcept { return error_code_; }

 private:
  int error_code_;
};

ZEL_DECLARE_EXCEPTION(EConvertError, Exception);
ZEL_DECLARE_EXCEPTION(EStreamError, Exception);
ZEL_DECLARE_EXCEPTION(EFOpenError, EStreamError);
ZEL_DECLARE_EXCEPTION(EFCreateError, EStreamError);
ZEL_DECLARE_EXCEPTION(EReadError, EStreamError);
ZEL_DECLARE_EXCEPTION(EWriteError, EStreamError);
ZEL_DECLARE_EXCEPTION(EIntOverflow, Exception);
ZEL_DECLARE_EXCEPTION(EOutOfMemory, Exception);
ZEL_DECLARE_EXCEPTION(ERangeError, Exception);
ZEL_DECLARE_EXCEPTION(EVariantError, Exception);
ZEL_DECLARE_EXCEPTION(EListError, Exception);
ZEL_DECLARE_EXCEPTION(ERegistryException, Exception);

// Raises EOutOfMemory "Out of memory".
[[noreturn]] ZEL_API void RaiseOutOfMemory();

// Runs Body and returns what it returns. An allocation that fails inside it
// (std::bad_alloc, or std::length_error from a container asked for more than
// it can ever hold) leaves as EOutOfMemory, so callers of the library meet
// the runtime's error and never a bare std::bad_alloc. Public functions whose
// memory grows with their input run their work through it.
template <class Body>
decltype(auto) GuardAllocation(Body&& body) {
  try {
    return std::forward<Body>(body)();
  } catch (const std::bad_alloc&) {
    RaiseOutOfMemory();
  } catch (const std::length_error&) {
    RaiseOutOfMemory();
  }
}

}  // namespace zel
