#include "zerozedev/log/log_message.h"

#include <atomic>

#include "platform/text.h"
#include "zerozedev/log/base_logger.h"

namespace cpplog {
namespace {

std::atomic<bool> g_fatalSeen{false};

}  // namespace

bool FatalMessageSeen() { return g_fatalSeen.load(); }

LogMessage::LogMessage(BaseLogger& logger, int level, const char* fullPath, unsigned line,
                       std::int64_t created)
    : logger_(&logger), record_(std::make_unique<LogData>(level, fullPath, line, created)) {}

LogMessage::~LogMessage() {
  if (delivered_) return;
  // Inserted text may come from the command line or a peer.
  record_->EscapeControlCharacters();
  record_->EndLine();
  try {
    freeRecord_ = logger_->Deliver(*record_);
  } catch (...) {
    // A sink that throws loses this line; the caller never hears of it.
  }
  delivered_ = true;
  if (record_->level == kFatal) g_fatalSeen = true;
  // No logger keeps a record, so it goes whatever Deliver said: keeping it on
  // a false result would only leak it.
  record_.reset();
}

void LogMessage::WritePrefix() {}

LogMessage& LogMessage::operator<<(std::ostream& (*manipulator)(std::ostream&)) {
  record_->stream << manipulator;
  return *this;
}

LogMessage& LogMessage::operator<<(std::ios_base& (*manipulator)(std::ios_base&)) {
  record_->stream << manipulator;
  return *this;
}

LogMessage& LogMessage::operator<<(std::u16string_view text) {
  record_->stream << platform::Utf16ToAnsi(text);
  return *this;
}

}  // namespace cpplog
