#pragma once
#include <string_view>

namespace platform {

// OutputDebugStringA: the system log at debug priority.
void OutputDebugText(std::string_view text);

}  // namespace platform
