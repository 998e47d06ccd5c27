#pragma once
// Loggers that pass records from a lowest level on to another logger. The Zm
// types add no behaviour: their type tells the root which sink they lead to.

#include "zerozedev/log/base_logger.h"

namespace cpplog {

class FilteringLogger : public BaseLogger {
 public:
  // Deletes `forward` when it goes only if `ownsForward`.
  FilteringLogger(int lowestLevel, BaseLogger* forward, bool ownsForward);
  ~FilteringLogger() override;
  FilteringLogger(const FilteringLogger&) = delete;
  FilteringLogger& operator=(const FilteringLogger&) = delete;

  // A record below the lowest level is dropped (true); otherwise the forward
  // logger's result, false when there is none.
  bool Deliver(LogData& record) override;

 private:
  int lowestLevel_;
  BaseLogger* forward_;
  bool ownsForward_;
};

class ZmFilteringLogger : public FilteringLogger {
 public:
  using FilteringLogger::FilteringLogger;
};

// Leads to the debugger output.
class ZmDbgLogger : public ZmFilteringLogger {
 public:
  using ZmFilteringLogger::ZmFilteringLogger;
};

// Leads to standard error.
class ZmStdLogger : public ZmFilteringLogger {
 public:
  using ZmFilteringLogger::ZmFilteringLogger;
};

}  // namespace cpplog
