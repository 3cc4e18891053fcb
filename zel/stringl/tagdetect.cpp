#include "zel/stringl/tagdetect.h"

#include <algorithm>

#include "zel/runtime/sysutils.h"
#include "zel/stringl/strediting.h"

namespace zel {

int32_t DetectNextTagInString(const String& Text, int32_t& StartPos, int32_t& EndPos,
                              const std::vector<String>& TagList, String& Attributes,
                              bool& IsEndTag) {
  size_t pos = StartPos < 1 ? 0 : static_cast<size_t>(StartPos) - 1;
  StartPos = EndPos = 0;
  Attributes.clear();
  IsEndTag = false;
  if (TagList.empty()) return -1;
  while (pos < Text.size()) {
    const size_t lt = Text.find(u'<', pos);
    if (lt == String::npos) break;
    const size_t gt = Text.find(u'>', lt + 1);
    if (gt == String::npos) break;
    pos = gt + 1;
    String body = Text.substr(lt + 1, gt - lt - 1);
    if (!body.empty() && body[0] == u'!') continue;
    const bool closing = !body.empty() && body[0] == u'/';
    if (closing) body.erase(0, 1);
    if (!closing && !body.empty() && body.back() == u'/') body.pop_back();
    const size_t blank = body.find(u' ');
    const String name = LowerCase(body.substr(0, blank));
    const auto it = std::find(TagList.begin(), TagList.end(), name);
    if (it == TagList.end() || name.empty()) continue;
    StartPos = static_cast<int32_t>(lt + 1);
    EndPos = static_cast<int32_t>(gt + 1);
    if (blank != String::npos) Attributes = StripLTBlanks(body.substr(blank + 1));
    IsEndTag = closing;
    return static_cast<int32_t>(it - TagList.begin());
  }
  return -1;
}

}  // namespace zel
