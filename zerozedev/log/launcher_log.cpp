#include "zerozedev/log/launcher_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/clock.h"
#include "platform/text.h"
#include "zerozedev/log/log_folder.h"
#include "zerozedev/log/record_line.h"

LauncherLog& LauncherLog::Instance() {
  // Never destroyed: threads that outlive main may still call Write, and then
  // find the log shut down instead of destroyed.
  static LauncherLog* const instance = [] {
    auto* log = new LauncherLog();
    std::atexit([] { Instance().Shutdown(); });
    return log;
  }();
  return *instance;
}

LauncherLog::LauncherLog(int maxFileSize) : maxFileSize_(maxFileSize) {}

LauncherLog::~LauncherLog() { Shutdown(); }

bool LauncherLog::PassesFilter(int level) const {
  if (onlyLevel_ != -1) return level == onlyLevel_;
  return maxLevel_ >= 0 && level <= maxLevel_;
}

void LauncherLog::Open(const std::string& name) {
  std::lock_guard lock(mutex_);
  if (shutDown_) return;
  if (!name.empty()) name_ = name;
  OpenFileLocked();
  if (!file_ || writerRunning_) return;
  // A writer that ended after a failed rollover has left the mutex for good.
  if (writer_.joinable()) writer_.join();
  writerRunning_ = true;
  writer_ = std::thread(&LauncherLog::WriterLoop, this);
}

void LauncherLog::OpenFileLocked() {
  file_.reset();
  CreatedLogFile created = CreateLogFile(LauncherLogFolder(name_), std::time(nullptr));
  if (created.file) {
    file_ = std::move(created.file);
    writtenBytes_ = 0;
    stop_ = false;
  }
  // Set only now: a Write racing with a rollover must not see a gap and drop
  // its record; it re-checks under the mutex once the new file is there.
  fileOpen_ = file_ != nullptr;
}

void LauncherLog::Write(int level, const char* sourceFile, int line, const char* function,
                        const char* format, ...) {
  if (!PassesFilter(level) || !fileOpen_) return;

  std::lock_guard lock(mutex_);
  if (!fileOpen_ || shutDown_) return;  // the writer may have ended meanwhile

  char formatted[kMaxMessageLength + 1] = {};
  if (format) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(formatted, sizeof formatted, format, args);
    va_end(args);
  }
  // Arguments carry text from clients and servers (addresses, names, errors):
  // escaped here, once for every caller, so none can start a record of its own.
  std::string message = platform::EscapeControlCharacters(formatted);
  if (message.size() > static_cast<std::size_t>(kMaxMessageLength)) message.resize(kMaxMessageLength);
  queue_.push_back(RecordLine(CtimeText(platform::LocalTimeNow()), level,
                              SourceFileName(sourceFile ? sourceFile : ""), line, function ? function : "",
                              message));
  wake_.notify_one();
}

void LauncherLog::WriterLoop() {
  for (;;) {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return stop_ || shutDown_ || !queue_.empty(); });
    if (stop_ || queue_.empty()) {
      writerRunning_ = false;
      return;
    }
    const std::string record = std::move(queue_.front());
    queue_.pop_front();
    if (!WriteRecordLocked(record)) {
      stop_ = true;
      queue_.clear();
      writerRunning_ = false;
      return;
    }
  }
}

bool LauncherLog::WriteRecordLocked(const std::string& record) {
  const auto size = static_cast<std::int64_t>(record.size());
  // An empty file takes the record whatever its size: a new file would not
  // hold it better, and would leave an empty one behind.
  if (maxFileSize_ != 0 && writtenBytes_ > 0 && writtenBytes_ + size > maxFileSize_) {
    OpenFileLocked();
    if (!file_) return false;
  }
  std::fwrite(record.data(), 1, record.size(), file_.get());
  std::fflush(file_.get());
  writtenBytes_ += size;
  return true;
}

void LauncherLog::Shutdown() {
  std::unique_lock lock(mutex_);
  if (shutDown_) return;
  shutDown_ = true;
  wake_.notify_one();
  std::thread writer = std::move(writer_);
  lock.unlock();
  if (writer.joinable()) writer.join();

  lock.lock();
  queue_.clear();  // left only when no writer ever ran
  file_.reset();
  fileOpen_ = false;
}
