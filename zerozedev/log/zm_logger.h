#pragma once
// The root of the stream-style loggers: it passes every record to its
// children in order, skipping a child whose sink kind is switched off, and
// stops at the first child that cannot take it. Deliveries are serialized,
// so several threads may log at once.

#include <atomic>
#include <mutex>
#include <vector>

#include "zerozedev/log/base_logger.h"
#include "zerozedev/log/filtering_logger.h"

namespace cpplog {

class ZmLogger : public BaseLogger {
 public:
  enum class Sink { kStdErr, kDebugger };

  ZmLogger() = default;
  ZmLogger(const ZmLogger&) = delete;
  ZmLogger& operator=(const ZmLogger&) = delete;

  // Children are not owned and must outlive the root. The Zm sinks also
  // become the root's sink of their kind.
  void AddChild(BaseLogger* child);
  void AddDebuggerSink(ZmDbgLogger* sink);
  void AddStdErrSink(ZmStdLogger* sink);
  void EnableSink(Sink sink, bool enabled);

  bool Deliver(LogData& record) override;

 private:
  bool Enabled(BaseLogger* child) const;

  ZmStdLogger* stdErrSink_ = nullptr;
  ZmDbgLogger* debuggerSink_ = nullptr;
  std::atomic<bool> stdErrEnabled_{true};
  std::atomic<bool> debuggerEnabled_{true};
  std::mutex deliverMutex_;  // guards children_ and the sinks' streams
  std::vector<BaseLogger*> children_;
};

// The process's root: the debugger output first, then standard error, both
// from TRACE up. Built on first use and never destroyed.
ZmLogger& RootLogger();

}  // namespace cpplog
