#include "zel/runtime/filemode.h"

namespace zel {

uint8_t FileMode = 2;

}  // namespace zel
