// Network adapters and their hardware addresses.
//
// The Linux implementation lists the interfaces of getifaddrs() that carry a
// link-layer (AF_PACKET) address, in the kernel's order, and classifies each
// through /sys/class/net/<name>:
//   - wireless: the interface has a "wireless" or "phy80211" entry;
//   - wired: an Ethernet-type link (type 1) that is neither wireless nor a
//     bridge, bond or tunnel;
//   - other: everything else (loopback, tunnels, bridges...).
// `physical` tells whether a device stands behind the interface (a "device"
// entry), which separates a real network card from a virtual pair such as
// the one a container sees.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zel/runtime/export.h"

namespace zel::platform {

enum class AdapterKind : uint8_t { kOther, kWired, kWireless };

struct NetAdapter {
  std::string name;
  AdapterKind kind = AdapterKind::kOther;
  bool physical = false;
  std::vector<uint8_t> address;  // hardware address; empty when it has none
};

class ZEL_API Network {
 public:
  virtual ~Network();
  // Fills `adapters` (cleared first); returns 0, or the errno value of the
  // failure (ENOMEM when memory ran out).
  virtual int Adapters(std::vector<NetAdapter>& adapters) = 0;
};

ZEL_API Network& LinuxNetwork();
ZEL_API Network& Net();
ZEL_API Network* SetNetworkBackend(Network* backend);

}  // namespace zel::platform
