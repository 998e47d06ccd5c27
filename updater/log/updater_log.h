#pragma once
// The updater's log: callers format a line and queue it; one writer thread
// appends it to the current file and flushes, starting a new file when the
// current one would pass its size limit.
//
//   UpdaterLog::Instance().Write(0, "CurlDownload", __LINE__, "CurlDownloader::Start",
//                                "status %d", status);
//
// The source argument is the caller's tag; only its part after the last
// backslash is written.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

class UpdaterLog {
 public:
  static constexpr int kDefaultMaxFileBytes = 10000000;

  // The process's log. Never destroyed; lines still queued when the process
  // ends normally are written first.
  static UpdaterLog& Instance();

  // Tests build their own logger, for example with a small size limit.
  // 0 means no limit.
  explicit UpdaterLog(int maxFileBytes = kDefaultMaxFileBytes);
  ~UpdaterLog();  // as Shutdown
  UpdaterLog(const UpdaterLog&) = delete;
  UpdaterLog& operator=(const UpdaterLog&) = delete;

  // Starts a new file named <name>_<tick>.log in the log folder and the
  // writer thread when it is not running. An empty name keeps the previous
  // one ("zozavida" at first). Without a usable folder nothing changes; a file
  // that cannot be created leaves the log without a file.
  void Open(const std::string& newName);

  // Queues one line when the level passes the filter and a file is open.
  void Write(int level, const char* sourcePath, int line, const char* function, const char* format,
             ...) __attribute__((format(printf, 6, 7)));

  // -1: no exact filter; otherwise only lines of exactly this level pass.
  void SetExactLevel(int level) { exactLevel_.store(level, std::memory_order_relaxed); }
  // Highest level that passes when there is no exact filter.
  void SetMaxLevel(int level) { maxLevel_.store(level, std::memory_order_relaxed); }

  // Writes every queued line, ends the writer and closes the file. Later
  // lines are dropped and Open does nothing.
  void Shutdown();

 private:
  bool Passes(int level) const;
  // Closes the current file and creates the next one; needs queueMutex_.
  void OpenFileLocked();
  void WriterLoop();
  // Writes one line, starting a new file first when it would pass the limit;
  // false when the writer has to end. Needs queueMutex_.
  bool WriteLineLocked(const std::string& line);

  const int maxFileBytes_;
  std::atomic<int> exactLevel_{-1};
  std::atomic<int> maxLevel_{4};

  std::mutex queueMutex_;
  std::condition_variable queueNotEmpty_;
  std::deque<std::string> queue_;
  std::FILE* file_ = nullptr;
  std::string name_ = "zozavida";
  std::int64_t fileBytes_ = 0;
  bool writerRunning_ = false;
  bool shutDown_ = false;
  std::thread writer_;
};
