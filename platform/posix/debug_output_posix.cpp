#include <syslog.h>

#include <climits>

#include "platform/debug_output.h"

namespace platform {

void OutputDebugText(std::string_view text) {
  // Passed as an argument, never as the format: the text may hold "%".
  const int length = text.size() > INT_MAX ? INT_MAX : static_cast<int>(text.size());
  syslog(LOG_USER | LOG_DEBUG, "%.*s", length, text.data());
}

}  // namespace platform
