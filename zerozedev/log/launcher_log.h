#pragma once
// The launcher's record log. A caller formats one record and queues it; one
// writer thread appends each record to the current file and flushes it,
// starting a new file when the current one would pass its size limit:
//
//   LauncherLog::Instance().Write(4, "cef_pipe_channel", __LINE__,
//                                 "CefPipeChannel::UpdateUrl", "url %s", url);
//
// Record: "Wed Mar 15 09:05:07 2023 |4|cef_pipe_channel|120|CefPipeChannel::UpdateUrl|url ...".
// The source argument is the caller's tag; only its text after the last
// backslash is written. Files: <local app data>/trvo/logs/<name>/<program>/<unix seconds>.log.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "zerozedev/log/log_file.h"

// Writes one level-4 record from the calling place of the launcher.
#define LAUNCHER_LOG(source, function, ...) \
  ::LauncherLog::Instance().Write(4, (source), __LINE__, (function), __VA_ARGS__)

class LauncherLog {
 public:
  static constexpr int kDefaultMaxFileSize = 10000000;
  static constexpr int kMaxMessageLength = 1023;

  // The process's log, created on first use and never destroyed. Records
  // still queued when the process ends normally are written before it exits.
  static LauncherLog& Instance();

  // A log of its own, for tests: `maxFileSize` bytes per file, 0 = no limit.
  explicit LauncherLog(int maxFileSize = kDefaultMaxFileSize);
  // As Shutdown.
  ~LauncherLog();
  LauncherLog(const LauncherLog&) = delete;
  LauncherLog& operator=(const LauncherLog&) = delete;

  // Starts a new file in the folder of `name` (an empty name keeps the
  // current one, "temp" at first) and the writer thread when it is not
  // running. When no file can be created the log stays without one and drops
  // records.
  void Open(const std::string& name);

  // Queues one record when the level passes the filter and a file is open;
  // otherwise drops it. Control characters of the message become escapes
  // ("\n", "\x01" ...; a newline that ends it stays), then it is cut to
  // kMaxMessageLength characters.
  void Write(int level, const char* sourceFile, int line, const char* function, const char* format,
             ...) __attribute__((format(printf, 6, 7)));

  // Writes every queued record, ends the writer and closes the file. Later
  // records are dropped and Open does nothing.
  void Shutdown();

  int maxFileSize() const { return maxFileSize_; }
  // Whether a file is open, so that records are taken.
  bool IsOpen() const { return fileOpen_; }

 private:
  bool PassesFilter(int level) const;
  // Closes the current file and creates the next one; needs mutex_.
  void OpenFileLocked();
  void WriterLoop();
  // Starts a new file first when the record would pass the limit; false when
  // that fails and logging has to end. Needs mutex_.
  bool WriteRecordLocked(const std::string& record);

  const int onlyLevel_ = -1;
  const int maxLevel_ = 7;
  const int maxFileSize_;

  std::string name_ = "temp";
  std::thread writer_;
  bool writerRunning_ = false;
  LogFileHandle file_;
  std::atomic<bool> fileOpen_{false};  // file_ != null, read by Write before it locks
  std::int64_t writtenBytes_ = 0;
  bool stop_ = false;      // a rollover failed: logging has ended
  bool shutDown_ = false;  // Shutdown ran: write what is queued, then end

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::string> queue_;
};
