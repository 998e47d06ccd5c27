#pragma once
// How a fresh download splits the package into byte ranges.

#include <cstdint>
#include <vector>

// The most segments the engine plans, and so the most records a temporary
// file it wrote can hold; a trailer that claims more is damaged.
inline constexpr std::uint32_t kMaxSegments = 5;

struct PlannedRange {
  std::uint32_t start = 0;
  std::uint32_t length = 0;
  bool operator==(const PlannedRange&) const = default;
};

// One range without range support; otherwise one per started blockUnit bytes,
// at most threadCount (itself taken as 1 to kMaxSegments). The last range
// takes the remainder of the division.
std::vector<PlannedRange> PlanSegments(std::uint32_t fileSize, bool rangeSupported, int threadCount,
                                       std::uint32_t blockUnit);

// Range i of an even split of fileSize into count ranges (resume fallback).
PlannedRange EvenSplitRange(std::uint32_t fileSize, std::uint32_t count, std::uint32_t index);
