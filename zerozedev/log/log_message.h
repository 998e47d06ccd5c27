#pragma once
// A stream-style message: a temporary that collects text with << and hands
// the finished line to its logger when it is destroyed.

#include <cstdint>
#include <ios>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>

#include "zerozedev/log/log_data.h"

namespace cpplog {

class BaseLogger;

class LogMessage {
 public:
  // Delivers the line unless that happened already. Nothing it meets is
  // reported to the caller.
  virtual ~LogMessage();
  // Writes the head of the line into the record; derived messages call it
  // from their constructor.
  virtual void WritePrefix();

  LogMessage(const LogMessage&) = delete;
  LogMessage& operator=(const LogMessage&) = delete;

  std::ostream& stream() { return record_->stream; }

  // Narrow text as bytes, numbers in decimal, anything an ostream takes.
  template <class T>
    requires(!std::is_convertible_v<const T&, std::u16string_view>)
  LogMessage& operator<<(const T& value) {
    record_->stream << value;
    return *this;
  }
  LogMessage& operator<<(std::ostream& (*manipulator)(std::ostream&));
  LogMessage& operator<<(std::ios_base& (*manipulator)(std::ios_base&));
  // Wide text is inserted as UTF-8, the narrow code page here.
  LogMessage& operator<<(std::u16string_view text);

 protected:
  LogMessage(BaseLogger& logger, int level, const char* fullPath, unsigned line, std::int64_t created);

  LogData& record() { return *record_; }

 private:
  BaseLogger* logger_;
  std::unique_ptr<LogData> record_;
  bool delivered_ = false;
  bool freeRecord_ = false;
};

// Whether a FATAL message has been delivered in this process.
bool FatalMessageSeen();

}  // namespace cpplog
