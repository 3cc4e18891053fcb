// The network adapters of GetAdaptersAddresses, classified by interface type;
// GetIfEntry2 tells whether hardware stands behind an adapter.
// winsock2.h and ws2ipdef.h come first: iphlpapi.h declares the interface
// rows (GetIfEntry2) only after them.
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>

#include <cerrno>
#include <new>
#include <vector>

#include "zel/platform/network.h"
#include "zel/platform/windows/internal/win32.h"

namespace zel::platform {

namespace {

// Size of the first request, and how often a list that grew in between is
// asked for again with the size the system names.
constexpr ULONG kFirstBufferSize = 15000;
constexpr int kAttempts = 3;

bool IsHardware(const NET_LUID& luid) {
  MIB_IF_ROW2 row{};
  row.InterfaceLuid = luid;
  return ::GetIfEntry2(&row) == NO_ERROR && row.InterfaceAndOperStatusFlags.HardwareInterface;
}

class NativeNet final : public Network {
 public:
  int Adapters(std::vector<NetAdapter>& adapters) override {
    adapters.clear();
    try {
      // ULONGLONG elements keep the list's structures aligned.
      std::vector<ULONGLONG> buffer;
      ULONG size = kFirstBufferSize;
      ULONG rc = ERROR_BUFFER_OVERFLOW;
      constexpr ULONG kFlags = GAA_FLAG_SKIP_UNICAST | GAA_FLAG_SKIP_ANYCAST |
                               GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
      for (int attempt = 0; attempt < kAttempts && rc == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.assign(size / sizeof(ULONGLONG) + 1, 0);
        size = static_cast<ULONG>(buffer.size() * sizeof(ULONGLONG));
        rc = ::GetAdaptersAddresses(AF_UNSPEC, kFlags, nullptr,
                                    reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
      }
      if (rc == ERROR_NO_DATA) return 0;
      if (rc == ERROR_NOT_ENOUGH_MEMORY) return ENOMEM;
      if (rc != NO_ERROR) return windows::ErrnoFromWin32(rc);
      for (auto* a = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); a;
           a = a->Next) {
        NetAdapter adapter;
        adapter.name = a->FriendlyName ? windows::Narrow(a->FriendlyName) : std::string();
        if (adapter.name.empty() && a->AdapterName) adapter.name = a->AdapterName;
        const ULONG len = a->PhysicalAddressLength <= MAX_ADAPTER_ADDRESS_LENGTH
                              ? a->PhysicalAddressLength
                              : 0;
        bool all_zero = true;
        for (ULONG i = 0; i < len; ++i) all_zero = all_zero && a->PhysicalAddress[i] == 0;
        if (!all_zero) adapter.address.assign(a->PhysicalAddress, a->PhysicalAddress + len);
        if (a->IfType == IF_TYPE_IEEE80211)
          adapter.kind = AdapterKind::kWireless;
        else if (a->IfType == IF_TYPE_ETHERNET_CSMACD)
          adapter.kind = AdapterKind::kWired;
        adapter.physical = IsHardware(a->Luid);
        adapters.push_back(std::move(adapter));
      }
    } catch (const std::bad_alloc&) {
      adapters.clear();
      return ENOMEM;
    }
    return 0;
  }
};

}  // namespace

Network& NativeNetwork() {
  static NativeNet net;
  return net;
}

}  // namespace zel::platform
