#include "zel/platform/network.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if_arp.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>

namespace zel::platform {

namespace {

bool SysEntryExists(const std::string& name, const char* entry) {
  struct stat st;
  return stat(("/sys/class/net/" + name + "/" + entry).c_str(), &st) == 0;
}

int LinkType(const std::string& name) {
  std::ifstream in("/sys/class/net/" + name + "/type");
  int type = -1;
  in >> type;
  return type;
}

class NativeNet final : public Network {
 public:
  int Adapters(std::vector<NetAdapter>& adapters) override {
    adapters.clear();
    struct ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return errno ? errno : EIO;
    try {
      for (const struct ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_PACKET || !a->ifa_name) continue;
        const auto* ll = reinterpret_cast<const struct sockaddr_ll*>(a->ifa_addr);
        NetAdapter adapter;
        adapter.name = a->ifa_name;
        const size_t len = ll->sll_halen <= sizeof ll->sll_addr ? ll->sll_halen : 0;
        bool all_zero = true;
        for (size_t i = 0; i < len; ++i) all_zero = all_zero && ll->sll_addr[i] == 0;
        if (!all_zero) adapter.address.assign(ll->sll_addr, ll->sll_addr + len);
        adapter.physical = SysEntryExists(adapter.name, "device");
        if (SysEntryExists(adapter.name, "wireless") || SysEntryExists(adapter.name, "phy80211"))
          adapter.kind = AdapterKind::kWireless;
        else if (ll->sll_hatype == ARPHRD_ETHER && LinkType(adapter.name) == ARPHRD_ETHER &&
                 !SysEntryExists(adapter.name, "bridge") &&
                 !SysEntryExists(adapter.name, "bonding") &&
                 !SysEntryExists(adapter.name, "tun_flags"))
          adapter.kind = AdapterKind::kWired;
        adapters.push_back(std::move(adapter));
      }
    } catch (const std::bad_alloc&) {
      freeifaddrs(list);
      adapters.clear();
      return ENOMEM;
    }
    freeifaddrs(list);
    return 0;
  }
};

}  // namespace

Network& NativeNetwork() {
  static NativeNet net;
  return net;
}

}  // namespace zel::platform
