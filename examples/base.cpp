// Base: the library's error classes and the CSV delimiter kinds.
#include <zel/base.h>
#include <zel/runtime.h>

#include <iostream>

int main() {
  for (zel::Char c : {u';', u'\t', u'x'}) {
    zel::TCSVDelimiters kind = zel::ResolveCSVDelimiter(c);
    std::cout << "kind " << static_cast<int>(kind) << "\n";
  }
  try {
    throw zel::EZELDStructError(u"Class TExample: index out of range");
  } catch (const zel::EZELError& e) {  // every module's errors derive from EZELError
    std::cout << "caught: " << e.what() << "\n";
  }
  return 0;
}
