#include "zerozedev/log/zm_logger.h"

#include "zerozedev/log/log_data.h"
#include "zerozedev/log/ostream_logger.h"

namespace cpplog {

void ZmLogger::AddChild(BaseLogger* child) {
  std::lock_guard lock(deliverMutex_);
  children_.push_back(child);
}

void ZmLogger::AddDebuggerSink(ZmDbgLogger* sink) {
  AddChild(sink);
  debuggerSink_ = sink;
}

void ZmLogger::AddStdErrSink(ZmStdLogger* sink) {
  AddChild(sink);
  stdErrSink_ = sink;
}

void ZmLogger::EnableSink(Sink sink, bool enabled) {
  (sink == Sink::kStdErr ? stdErrEnabled_ : debuggerEnabled_) = enabled;
}

bool ZmLogger::Enabled(BaseLogger* child) const {
  if (dynamic_cast<ZmStdLogger*>(child)) return stdErrEnabled_;
  if (dynamic_cast<ZmDbgLogger*>(child)) return debuggerEnabled_;
  return true;
}

bool ZmLogger::Deliver(LogData& record) {
  std::lock_guard lock(deliverMutex_);
  bool result = true;
  try {
    for (BaseLogger* child : children_) {
      if (!result) break;
      if (Enabled(child)) result = child->Deliver(record);
    }
  } catch (...) {
    // A child that throws ends the round; those before it have the line.
  }
  return result;
}

ZmLogger& RootLogger() {
  static ZmLogger* const root = [] {
    auto* logger = new ZmLogger;
    logger->AddDebuggerSink(new ZmDbgLogger(kTrace, new OutputDebugStringLogger, false));
    logger->AddStdErrSink(new ZmStdLogger(kTrace, new StdErrLogger, false));
    return logger;
  }();
  return *root;
}

}  // namespace cpplog
