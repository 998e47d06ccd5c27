#include "updater/log/updater_log.h"

#include <cstdarg>

#include "platform/clock.h"
#include "updater/log/log_file_create.h"
#include "updater/log/log_folder.h"
#include "updater/log/log_line.h"
#include "updater/log/log_time.h"

namespace {

struct WriteQueuedLinesAtExit {
  UpdaterLog& log;
  ~WriteQueuedLinesAtExit() { log.Shutdown(); }
};

}  // namespace

UpdaterLog& UpdaterLog::Instance() {
  // Leaked on purpose: detached threads may still log while the process exits.
  static UpdaterLog* const log = new UpdaterLog();
  static const WriteQueuedLinesAtExit drain{*log};
  return *log;
}

UpdaterLog::UpdaterLog(int maxFileBytes) : maxFileBytes_(maxFileBytes) {}

UpdaterLog::~UpdaterLog() { Shutdown(); }

void UpdaterLog::Open(const std::string& newName) {
  std::thread finishedWriter;
  {
    std::lock_guard lock(queueMutex_);
    if (shutDown_) return;
    if (!newName.empty()) name_ = newName;
    OpenFileLocked();
    if (file_ != nullptr && !writerRunning_) {
      finishedWriter = std::move(writer_);
      writerRunning_ = true;
      writer_ = std::thread(&UpdaterLog::WriterLoop, this);
    }
  }
  if (finishedWriter.joinable()) finishedWriter.join();
}

void UpdaterLog::OpenFileLocked() {
  const std::string folder = updater::UpdaterLogFolder();
  if (folder.empty()) return;
  if (file_ != nullptr) std::fclose(file_);
  file_ = updater::CreateLogFile(folder, name_, updater::LogMillisecondTick()).file;
  fileBytes_ = 0;
}

bool UpdaterLog::Passes(int level) const {
  const int exact = exactLevel_.load(std::memory_order_relaxed);
  if (exact != -1) return level == exact;
  const int max = maxLevel_.load(std::memory_order_relaxed);
  return max >= 0 && level <= max;
}

void UpdaterLog::Write(int level, const char* sourcePath, int line, const char* function,
                       const char* format, ...) {
  if (!Passes(level)) return;
  std::lock_guard lock(queueMutex_);
  if (file_ == nullptr || shutDown_) return;
  va_list args;
  va_start(args, format);
  const std::string message = updater::FormatLogMessage(format, args);
  va_end(args);
  queue_.push_back(updater::LogLine(updater::LogTimeText(platform::LocalTimeNow()), level,
                                    updater::LogSourceName(sourcePath ? sourcePath : ""), line,
                                    function ? function : "", message));
  queueNotEmpty_.notify_one();
}

void UpdaterLog::WriterLoop() {
  std::unique_lock lock(queueMutex_);
  for (;;) {
    queueNotEmpty_.wait(lock, [this] { return !queue_.empty() || shutDown_; });
    if (queue_.empty()) break;  // shutting down with everything written
    const std::string line = std::move(queue_.front());
    queue_.pop_front();
    if (!WriteLineLocked(line)) break;
  }
  if (file_ == nullptr) queue_.clear();
  writerRunning_ = false;
}

bool UpdaterLog::WriteLineLocked(const std::string& line) {
  if (file_ == nullptr) return false;
  // An empty file takes any line, so an oversized line cannot leave empty files behind.
  if (maxFileBytes_ != 0 && fileBytes_ > 0 &&
      fileBytes_ + static_cast<std::int64_t>(line.size()) > maxFileBytes_) {
    std::fclose(file_);
    file_ = nullptr;
    OpenFileLocked();
    if (file_ == nullptr) return false;
  }
  const std::size_t written = std::fwrite(line.data(), 1, line.size(), file_);
  if (written == 0) {
    std::fclose(file_);
    file_ = nullptr;
    return false;
  }
  fileBytes_ += static_cast<std::int64_t>(written);
  std::fflush(file_);
  return true;
}

void UpdaterLog::Shutdown() {
  std::thread writer;
  {
    std::lock_guard lock(queueMutex_);
    shutDown_ = true;
    writer = std::move(writer_);
  }
  queueNotEmpty_.notify_all();
  if (writer.joinable()) writer.join();
  std::lock_guard lock(queueMutex_);
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  queue_.clear();
}
