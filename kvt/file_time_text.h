#pragma once
// The text GetFileTimeString writes for a local calendar time.

#include <ctime>
#include <string>

namespace kvt {

// "%u-%u-%u" (year, month, day), or with dateOnly false
// "%u-%u-%u %u:%u:%u", without leading zeros.
std::u16string FileTimeText(const std::tm& local, bool date_only);

}  // namespace kvt
