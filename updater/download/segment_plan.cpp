#include "updater/download/segment_plan.h"

#include <algorithm>
#include <cmath>

std::vector<PlannedRange> PlanSegments(std::uint32_t fileSize, bool rangeSupported, int threadCount,
                                       std::uint32_t blockUnit) {
  std::uint32_t count = 1;
  if (rangeSupported && blockUnit > 0) {
    const double blocks = std::ceil(static_cast<double>(fileSize) / blockUnit);
    const int threads = std::clamp(threadCount, 1, static_cast<int>(kMaxSegments));
    count = static_cast<std::uint32_t>(std::min<double>(threads, blocks));
    count = std::max<std::uint32_t>(count, 1);
  }
  std::vector<PlannedRange> plan;
  for (std::uint32_t i = 0; i < count; ++i) plan.push_back(EvenSplitRange(fileSize, count, i));
  return plan;
}

PlannedRange EvenSplitRange(std::uint32_t fileSize, std::uint32_t count, std::uint32_t index) {
  const std::uint32_t each = fileSize / count;
  const std::uint32_t start = each * index;
  const std::uint32_t length = index + 1 == count ? fileSize - start : each;
  return {start, length};
}
