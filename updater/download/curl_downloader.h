#pragma once
// The transfer engine: a resumable HTTP download of one address into one
// file, split into byte ranges fetched in parallel by POSIX threads, with each
// range's progress kept in a trailer of a temporary file next to the target
// (the target path followed by ".dltmp").

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/shared_file.h"
#include "updater/download/download_settings.h"
#include "updater/download/segment.h"
#include "updater/download/temp_trailer.h"

class CurlDownloader {
 public:
  explicit CurlDownloader(DownloadSettings settings = {});
  ~CurlDownloader();
  CurlDownloader(const CurlDownloader&) = delete;
  CurlDownloader& operator=(const CurlDownloader&) = delete;

  // Begins a download, or resumes it from the temporary file of an earlier
  // run. True when the workers were started.
  bool Start(const std::string& url, const std::string& targetPath,
             std::optional<int> threadCount = std::nullopt);
  // Every segment complete (and there is one). `stopped`, when given, tells
  // whether no worker runs any more.
  bool IsFinished(bool* stopped);
  // Waits for the running workers, then moves a complete package into place.
  void WaitAndFinish();
  // Stops every worker and waits for it; false when a wait failed.
  bool Pause();

  std::uint32_t fileSize() const { return fileSize_.load(); }
  std::uint32_t downloadedBytes() const { return downloadedBytes_.load(); }
  bool rangeSupported() const { return rangeSupported_; }
  // The address after redirects and the target name (which may carry a
  // "~bk%d" suffix while resuming). Read them while no transfer runs.
  const std::string& url() const { return url_; }
  const std::string& targetPath() const { return targetPath_; }
  std::size_t segmentCount() const { return segments_.size(); }

  // What a resume would continue from: the segments read from the temporary
  // file of `targetPath` for a package of `fileSize` bytes from a server that
  // does or does not take ranges, checked as a resume checks them, without
  // asking a server. Nothing when the file is untrusted and a resume would
  // start afresh. The file is changed as a resume changes it.
  struct ResumePlan {
    std::vector<TrailerRecord> segments;
    std::uint32_t downloadedBytes = 0;
  };
  static std::optional<ResumePlan> ReadResumePlan(const std::string& targetPath, std::uint32_t fileSize,
                                                  bool rangeSupported);

  // Transfer-library callback; public so the C callback table can name it.
  static std::size_t WriteData(char* data, std::size_t size, std::size_t count, void* token);

 private:
  struct Context {
    CurlDownloader* downloader = nullptr;
    int segment = -1;
  };
  static Context ParseContext(const char* token);
  static void* DownloadFun(void* token);

  // Probing (size, range support, range test).
  bool DownloadInit();
  bool CheckFileLength();
  bool CheckIsSupportRange();
  bool CheckIsSupportRangeEx();
  bool CheckSSL(CURL* handle, const std::string& address);
  void SleepEx(std::uint32_t ms);
  CURL* NewProbeHandle();
  void LogPaused(const char* operation);

  // Segments and workers.
  bool InitSegmentHandle(const char* token);
  bool StartWorker(int index);
  void RunWorker(int index, const char* token);
  void ReleaseHandle(Segment& segment);
  void JoinWorkers(bool onlyRunningIncomplete, bool* allJoined);
  void ClearSegments();
  bool TakeChunk(Segment& segment, int index, const char* data, std::size_t bytes);
  // Writes the segment's carried bytes and then `received` at its done, and
  // advances done (and its record when due); false when the write failed,
  // with done kept and the carried bytes dropped. Needs lock_.
  bool WriteAtDone(Segment& segment, int index, std::string_view received);

  // The temporary file.
  std::string TempPath() const { return targetPath_ + ".dltmp"; }
  bool CreateTempFile();
  // Rewrites segment `index`'s record from its done; needs lock_.
  void SaveProgress(int index);
  bool ContinueDownloadByTmpFile();
  // The checks of the open temporary file against the probed size, and its
  // segments loaded; false when the file cannot be trusted.
  bool ResumeFromTrailer();
  bool RestartAfterTempProblem();
  bool LoadSegmentsFromTrailer(std::uint32_t storedSize, std::uint64_t fileLength);
  bool FinalProc();
  void CloseTempFile();  // needs lock_

  const DownloadSettings settings_;
  std::unique_ptr<platform::SharedFile> tmpFile_;  // under lock_
  std::uint64_t tmpLength_ = 0;  // under lock_: the temporary file's length, fixed while workers run
  std::mutex lock_;
  std::mutex joinLock_;  // one joiner at a time; never held with lock_
  std::vector<std::unique_ptr<Segment>> segments_;
  std::vector<std::unique_ptr<char[]>> tokens_;  // worker tokens, one per segment
  std::string url_;
  std::string targetPath_;
  std::atomic<bool> paused_{false};
  bool rangeSupported_ = false;
  std::atomic<std::uint32_t> fileSize_{0};
  std::atomic<std::uint32_t> downloadedBytes_{0};
};
