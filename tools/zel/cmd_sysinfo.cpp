// zel sysinfo: what the library reports about this system: directories,
// memory, processors, network adapters and where the configuration store is.
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "zel/filesys/sysinfo.h"
#include "zel/platform/network.h"
#include "zel/platform/process.h"
#include "zel/platform/store.h"
#include "zel/runtime/random.h"
#include "zel/runtime/utf8.h"

namespace {

std::string Bytes(uint64_t n) {
  std::ostringstream out;
  out << n << " bytes (" << std::fixed << std::setprecision(1)
      << static_cast<double>(n) / (1024.0 * 1024.0 * 1024.0) << " GiB)";
  return out.str();
}

const char* KindName(zel::platform::AdapterKind k) {
  switch (k) {
    case zel::platform::AdapterKind::kWired:
      return "wired";
    case zel::platform::AdapterKind::kWireless:
      return "wireless";
    case zel::platform::AdapterKind::kOther:
      break;
  }
  return "other";
}

int RunSysinfo(zel_tool::Args& args) {
  args.RejectUnknownOptions();
  if (!args.Rest().empty()) zel_tool::Fail("unexpected argument " + args.Rest().front());
  auto& out = std::cout;
  out << "system directory:    " << zel::StringToUtf8(zel::GetSystemDir()) << "\n"
      << "os directory:        " << zel::StringToUtf8(zel::GetWindowsDir()) << "\n"
      << "temporary directory: " << zel::StringToUtf8(zel::GetTempDir()) << "\n"
      << "configuration store: " << zel::platform::StoreDirectory() << "\n";
  uint64_t total = 0, available = 0;
  if (zel::GetMemoryStatus(total, available))
    out << "memory total:        " << Bytes(total) << "\n"
        << "memory available:    " << Bytes(available) << "\n";
  else
    out << "memory:              not available\n";
  out << "memory used here:    " << zel::GetMemoryUsed() << " bytes\n"
      << "processors:          " << zel::platform::Process().ProcessorCount() << "\n";
  for (int kind : {1, 2}) {
    zel::String address;
    const int32_t status = zel::GetMacAddress(kind, address);
    out << (kind == 1 ? "wired address:       " : "wireless address:    ")
        << zel::StringToUtf8(address) << (status == 0 ? "" : " (no adapters)") << "\n";
  }
  std::vector<zel::platform::NetAdapter> adapters;
  if (zel::platform::Net().Adapters(adapters) == 0)
    for (const auto& a : adapters) {
      out << "adapter " << a.name << ": " << KindName(a.kind)
          << (a.physical ? ", device" : ", virtual");
      if (!a.address.empty()) {
        out << ", ";
        for (size_t i = 0; i < a.address.size(); ++i)
          out << (i ? "-" : "") << std::hex << std::uppercase << std::setw(2) << std::setfill('0')
              << int{a.address[i]} << std::dec;
      }
      out << "\n";
    }
  return 0;
}

}  // namespace

ZEL_TOOL_COMMAND(sysinfo, "directories, memory, processors and network adapters", "zel sysinfo",
                 RunSysinfo);

namespace {

void DemoSysinfo(std::ostream& out) {
  uint64_t total = 0, available = 0;
  zel::GetMemoryStatus(total, available);
  zel::String address;
  zel::GetMacAddress(1, address);
  out << "temporary directory " << zel::StringToUtf8(zel::GetTempDir()) << ", memory "
      << total / (1024 * 1024) << " MiB (" << available / (1024 * 1024)
      << " MiB available), wired adapter " << zel::StringToUtf8(address) << "\n"
      << "GetEnviroVar(\"path\") finds PATH: "
      << (zel::GetEnviroVar(u"path").empty() ? "no" : "yes") << "\n";
  for (int32_t length : {4, 9, 14}) {
    zel::RandSeed = 2024;
    out << "InventPassword(" << length
        << ") with RandSeed 2024: " << zel::StringToUtf8(zel::InventPassword(length))
        << ", mixed and special: ";
    zel::RandSeed = 2024;
    out << zel::StringToUtf8(zel::InventPassword(length, true, true)) << "\n";
  }
}

ZEL_TOOL_DEMO(70, "System information and passwords", DemoSysinfo);

}  // namespace
