// Mathematical constants in extended precision and the table of ln(n!).
#include <zel/univconst.h>

#include <cmath>
#include <cstdio>

int main() {
  std::printf("e      = %.19Lg\n", zel::uc_e);
  std::printf("ln 10! = %.15g (exp: %.0f)\n", zel::uc_LnFactorial[10],
              std::exp(zel::uc_LnFactorial[10]));
  return 0;
}
