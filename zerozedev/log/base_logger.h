#pragma once

namespace cpplog {

class LogData;

// Receives finished stream-style records. Loggers never keep a record past
// Deliver; the message frees it.
class BaseLogger {
 public:
  // True: delivered (or filtered out) and the chain may go on; false: this
  // logger could not take the record.
  virtual bool Deliver(LogData& record) = 0;
  virtual ~BaseLogger() = default;
};

}  // namespace cpplog
