// The processor: vendor, family, model and a few feature flags.
#include <zel/cpuid.h>
#include <zel/runtime.h>

#include <iostream>

int main() {
  if (!zel::CPU_IDSupport()) {
    std::cout << "this processor does not identify itself\n";
    return 0;
  }
  std::cout << "vendor " << zel::StringToUtf8(zel::CPU_VendorString()) << ", family "
            << zel::CPU_Family() << ", model " << zel::CPU_Model() << ", " << zel::CPU_Count()
            << " logical processors\n";
  return 0;
}
