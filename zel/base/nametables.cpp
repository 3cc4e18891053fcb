#include "zel/base/nametables.h"

namespace zel {

int IndexOfName(std::span<const TNameTableEntry> Table, std::u16string_view Name) {
  for (size_t i = 0; i < Table.size(); ++i)
    if (Table[i] == Name) return static_cast<int>(i);
  return -1;
}

}  // namespace zel
