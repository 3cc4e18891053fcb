// An operand of a search, ASCII-folded to lower case when case is ignored and
// otherwise viewed in place without a copy.
#pragma once

#include <string_view>

#include "zel/runtime/sysutils.h"
#include "zel/runtime/types.h"

namespace zel::internal {

class Folded {
 public:
  Folded(const String& s, bool fold) : view_(s) {
    if (fold) {
      folded_ = LowerCase(s);
      view_ = folded_;
    }
  }
  Folded(const Folded&) = delete;
  Folded& operator=(const Folded&) = delete;
  std::u16string_view view() const { return view_; }

 private:
  String folded_;
  std::u16string_view view_;
};

}  // namespace zel::internal
