#pragma once
// The launcher's stream-style message: level INFO, sent to the root logger,
// line head "[WFE][I][2023-3-15 1:5:7] " (creation time in UTC).

#include <cstdint>

#include "zerozedev/log/log_message.h"

namespace n_log {

class CustomLogMessage : public cpplog::LogMessage {
 public:
  CustomLogMessage(const char* sourcePath, const char* function, unsigned line);
  // To a chosen logger, made at a chosen time: for tests.
  CustomLogMessage(cpplog::BaseLogger& logger, std::int64_t created, const char* sourcePath,
                   const char* function, unsigned line);

  void WritePrefix() override;

 private:
  // Kept as the message's origin; the line head does not show it.
  [[maybe_unused]] const char* function_;
};

}  // namespace n_log
