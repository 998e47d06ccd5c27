#pragma once
// Loggers that write each record's text to an output stream and flush it.

#include <ostream>

#include "zerozedev/log/base_logger.h"
#include "zerozedev/log/debug_output_streambuf.h"

namespace cpplog {

class OstreamLogger : public BaseLogger {
 public:
  // `stream` must outlive the logger.
  explicit OstreamLogger(std::ostream& stream) : stream_(stream) {}
  bool Deliver(LogData& record) override;

 private:
  std::ostream& stream_;
};

class StdErrLogger : public OstreamLogger {
 public:
  StdErrLogger();
};

namespace helpers {

// Built before the OstreamLogger base that writes to its stream.
struct DebugOutputStream {
  explicit DebugOutputStream(DebugTextSink sink) : buffer(std::move(sink)), stream(&buffer) {}
  debug_output_streambuf buffer;
  std::ostream stream;
};

}  // namespace helpers

// Long texts reach the debugger in pieces of up to 256 characters.
class OutputDebugStringLogger : private helpers::DebugOutputStream, public OstreamLogger {
 public:
  // `sink` replaces the debugger output, for tests.
  explicit OutputDebugStringLogger(helpers::DebugTextSink sink = {});
};

}  // namespace cpplog
