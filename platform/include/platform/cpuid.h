#pragma once
// The processor's own description of itself (the CPUID instruction).

#include <cstdint>
#include <optional>

namespace platform {

struct CpuidRegisters {
  std::uint32_t eax = 0;
  std::uint32_t ebx = 0;
  std::uint32_t ecx = 0;
  std::uint32_t edx = 0;
};

// The four result words of `leaf` (sub-leaf 0); nothing on a processor
// without the instruction or for a leaf above the highest it answers (basic
// or extended range), where the instruction would repeat another leaf.
std::optional<CpuidRegisters> QueryCpuid(std::uint32_t leaf);

}  // namespace platform
