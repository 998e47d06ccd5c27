#include "platform/cpuid.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace platform {

std::optional<CpuidRegisters> QueryCpuid(std::uint32_t leaf) {
#if defined(__x86_64__) || defined(__i386__)
  CpuidRegisters registers;
  // __get_cpuid checks the leaf against the highest of its range.
  if (__get_cpuid(leaf, &registers.eax, &registers.ebx, &registers.ecx, &registers.edx) == 0) {
    return std::nullopt;
  }
  return registers;
#else
  (void)leaf;
  return std::nullopt;
#endif
}

}  // namespace platform
