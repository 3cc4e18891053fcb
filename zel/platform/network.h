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
//
// Windows: the adapters of GetAdaptersAddresses (all address families), in
// the system's order, named by their friendly name ("Ethernet", "Wi-Fi");
// interface type IEEE 802.11 is wireless, Ethernet wired, anything else
// other; `physical` is the hardware-interface flag of GetIfEntry2. The list
// is asked for with 15000 bytes first and again with the size the system
// names, three attempts in all; a system with no adapters gives an empty
// list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zel/export.h"

namespace zel::platform {

// How an adapter reaches the network, as classified above.
enum class AdapterKind : uint8_t { kOther, kWired, kWireless };

// One network interface.
struct NetAdapter {
  std::string name;                        // the interface name ("eth0", "wlp2s0", "lo"; "Ethernet" on Windows)
  AdapterKind kind = AdapterKind::kOther;  // wired, wireless or other
  bool physical = false;                   // a device stands behind the interface
  // Hardware address; empty when it has none (or it is all zeros, as for
  // the loopback).
  std::vector<uint8_t> address;
};

// The network concern: listing the adapters.
class ZEL_API Network {
 public:
  virtual ~Network();
  // Fills `adapters` (cleared first); returns 0, or the errno value of the
  // failure (ENOMEM when memory ran out).
  virtual int Adapters(std::vector<NetAdapter>& adapters) = 0;
};

// The process's native implementation (built on first use).
ZEL_API Network& NativeNetwork();
// The implementation in force, which the modules call.
ZEL_API Network& Net();
// Installs backend (nullptr: the native implementation) and returns the one
// that was in force before.
ZEL_API Network* SetNetworkBackend(Network* backend);

}  // namespace zel::platform
