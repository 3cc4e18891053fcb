#include "zel/runtime/exception.h"

#include <utility>

#include "zel/runtime/utf8.h"

namespace zel {

Exception::Exception(String Msg) : message_(std::move(Msg)), utf8_(StringToUtf8(message_)) {}
Exception::Exception(const char* Utf8Msg)
    : message_(Utf8ToString(Utf8Msg ? Utf8Msg : "")), utf8_(Utf8Msg ? Utf8Msg : "") {}
Exception::~Exception() = default;

EInOutError::EInOutError(String Msg, int ErrorCode)
    : Exception(std::move(Msg)), error_code_(ErrorCode) {}
EInOutError::~EInOutError() = default;

// Out-of-line destructors anchor each class's type information in the library.
EConvertError::~EConvertError() = default;
EStreamError::~EStreamError() = default;
EFOpenError::~EFOpenError() = default;
EFCreateError::~EFCreateError() = default;
EReadError::~EReadError() = default;
EWriteError::~EWriteError() = default;
EIntOverflow::~EIntOverflow() = default;
EOutOfMemory::~EOutOfMemory() = default;
ERangeError::~ERangeError() = default;
EVariantError::~EVariantError() = default;
EListError::~EListError() = default;
ERegistryException::~ERegistryException() = default;

void RaiseOutOfMemory() { throw EOutOfMemory(u"Out of memory"); }

}  // namespace zel
