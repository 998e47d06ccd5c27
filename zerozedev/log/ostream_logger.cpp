#include "zerozedev/log/ostream_logger.h"

#include <iostream>

#include "zerozedev/log/log_data.h"

namespace cpplog {

bool OstreamLogger::Deliver(LogData& record) {
  // Writes the counted bytes, so a full buffer needs no terminator past its end.
  const auto text = record.text();
  stream_.write(text.data(), static_cast<std::streamsize>(text.size()));
  stream_.flush();
  return true;
}

StdErrLogger::StdErrLogger() : OstreamLogger(std::cerr) {}

OutputDebugStringLogger::OutputDebugStringLogger(helpers::DebugTextSink sink)
    : helpers::DebugOutputStream(std::move(sink)), OstreamLogger(helpers::DebugOutputStream::stream) {}

}  // namespace cpplog
