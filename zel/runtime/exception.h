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

// The root of the runtime's exceptions: a message kept as UTF-16 text and as
// its UTF-8 form.
class ZEL_API Exception : public std::exception {
 public:
  // An exception with the message Msg.
  explicit Exception(String Msg);
  // An exception whose message is the UTF-8 text Utf8Msg (a null pointer gives
  // an empty message).
  explicit Exception(const char* Utf8Msg);
  ~Exception() override;

  const String& Message() const noexcept { return message_; }  // The message as UTF-16 text.
  const char* what() const noexcept override { return utf8_.c_str(); }  // The message in UTF-8.

 private:
  String message_;
  std::string utf8_;
};

// Declares the exception class Name derived from Base, with Base's
// constructors and an out-of-line destructor (defined in exception.cpp, which
// anchors the class's type information in the library).
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
  // A failure with the message Msg and the code ErrorCode.
  EInOutError(String Msg, int ErrorCode);
  ~EInOutError() override;
  int ErrorCode() const noexcept { return error_code_; }  // The code given at construction.

 private:
  int error_code_;
};

ZEL_DECLARE_EXCEPTION(EConvertError, Exception);     // Invalid number or date text, failed Assign.
ZEL_DECLARE_EXCEPTION(EStreamError, Exception);      // Stream position or size not possible.
ZEL_DECLARE_EXCEPTION(EFOpenError, EStreamError);    // A file stream cannot open its file.
ZEL_DECLARE_EXCEPTION(EFCreateError, EStreamError);  // A file cannot be created.
ZEL_DECLARE_EXCEPTION(EReadError, EStreamError);     // Short ReadBuffer, failed read.
ZEL_DECLARE_EXCEPTION(EWriteError, EStreamError);    // Short WriteBuffer, failed commit.
ZEL_DECLARE_EXCEPTION(EIntOverflow, Exception);      // Value too large for its integer type.
ZEL_DECLARE_EXCEPTION(EOutOfMemory, Exception);      // Failed allocation (GuardAllocation).
ZEL_DECLARE_EXCEPTION(ERangeError, Exception);       // Out of range (the runtime never raises it).
ZEL_DECLARE_EXCEPTION(EVariantError, Exception);     // Impossible Variant conversion or access.
ZEL_DECLARE_EXCEPTION(EListError, Exception);        // TStringList index out of bounds.
ZEL_DECLARE_EXCEPTION(ERegistryException, Exception);  // TRegistry key or value failure.

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
