#include <unistd.h>

#include "platform/thread_id.h"

namespace platform {

std::uint32_t CurrentThreadId() { return static_cast<std::uint32_t>(gettid()); }

}  // namespace platform
