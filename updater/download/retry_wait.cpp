#include "updater/download/retry_wait.h"

#include <cmath>
#include <limits>

std::uint32_t RetryWaitMs(int retry) {
  const double ms = std::pow(2.0, retry) * 1000.0;
  constexpr double kMax = std::numeric_limits<std::uint32_t>::max();
  if (!(ms < kMax)) return std::numeric_limits<std::uint32_t>::max();
  return static_cast<std::uint32_t>(ms);
}
