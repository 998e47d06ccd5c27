#include "zerozedev/log/custom_log_message.h"

#include <ctime>
#include <string>

#include "zerozedev/log/message_prefix.h"
#include "zerozedev/log/zm_logger.h"

namespace n_log {

CustomLogMessage::CustomLogMessage(const char* sourcePath, const char* function, unsigned line)
    : CustomLogMessage(cpplog::RootLogger(), std::time(nullptr), sourcePath, function, line) {}

CustomLogMessage::CustomLogMessage(cpplog::BaseLogger& logger, std::int64_t created,
                                   const char* sourcePath, const char* function, unsigned line)
    : cpplog::LogMessage(logger, cpplog::kInfo, sourcePath, line, created), function_(function) {
  WritePrefix();
}

void CustomLogMessage::WritePrefix() {
  cpplog::LogData& data = record();
  const std::string prefix = cpplog::MessagePrefix(data.level, data.createdUtc);
  data.stream << prefix;
  data.prefixLength = static_cast<int>(prefix.size());
}

}  // namespace n_log
