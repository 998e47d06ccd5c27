// The segment workers and the body callback: each worker fetches its range
// with retries; every chunk is written into the temporary file at its place
// and followed by its segment's progress record.

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/network_state.h"
#include "updater/download/curl_downloader.h"
#include "updater/download/curl_log.h"
#include "updater/download/retry_wait.h"

namespace {

using Clock = std::chrono::steady_clock;

// A segment's record is rewritten at most this often while its bytes flow,
// and whenever its request ends: a record after every 16 KiB chunk doubled
// the engine's calls to the file system, while a crash now loses at most
// this long a stretch of a segment's bytes.
constexpr auto kRecordInterval = std::chrono::milliseconds(20);

// "RangeTest##<counter address>##<test length>": counts the bytes of the
// range test and reports a short write once more than asked for arrived.
std::size_t CountRangeTestBytes(const char* token, std::size_t bytes) {
  const char* counterText = std::strstr(token, "##");
  if (counterText == nullptr) return bytes;
  counterText += 2;
  char* end = nullptr;
  auto* counter =
      reinterpret_cast<long long*>(static_cast<std::uintptr_t>(std::strtoull(counterText, &end, 16)));
  if (counter == nullptr || std::strncmp(end, "##", 2) != 0) return bytes;
  const long long limit = std::strtoll(end + 2, nullptr, 10);
  *counter += static_cast<long long>(bytes);
  return *counter > limit ? bytes - 1 : bytes;
}

}  // namespace

std::size_t CurlDownloader::WriteData(char* data, std::size_t size, std::size_t count, void* token) {
  const std::size_t bytes = size * count;
  const char* text = static_cast<const char*>(token);
  if (text != nullptr && std::strncmp(text, "RangeTest", 9) == 0) return CountRangeTestBytes(text, bytes);
  const Context context = ParseContext(text);
  if (context.downloader == nullptr || context.segment < 0) return bytes;
  CurlDownloader& self = *context.downloader;
  Segment& segment = *self.segments_[context.segment];
  return self.TakeChunk(segment, context.segment, data, bytes) ? bytes : bytes - 1;
}

// Returns false to make the transfer library abort the request.
bool CurlDownloader::TakeChunk(Segment& segment, int index, const char* data, std::size_t bytes) {
  if (rangeSupported_ && segment.requestFrom != 0) {
    long status = 0;
    curl_easy_getinfo(segment.handle, CURLINFO_RESPONSE_CODE, &status);
    if (status == 200) {
      // The whole package instead of the range: its bytes would land at the
      // wrong place.
      CURL_LOG("WriteData", "CurlDownloader Obj Ptr: 0X%p, 线程%d: range %u- answered with the whole file",
               static_cast<void*>(this), index, segment.requestFrom);
      return false;
    }
  }
  // Bytes are written up to a page boundary of the file, and the rest is
  // carried to the next chunk: writes that end inside a page cost the file
  // system far more than the bytes (segments start anywhere).
  std::lock_guard guard(lock_);
  const std::uint64_t end = std::uint64_t{segment.start} + segment.length;
  const std::uint64_t from = std::uint64_t{segment.start} + segment.done + segment.carriedBytes;
  // Bytes past the segment's end (the range's extra byte) are dropped.
  const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, end - from));
  const std::uint64_t reach = from + take;
  const std::uint64_t upTo = reach == end ? end : reach / kFilePageBytes * kFilePageBytes;
  bool written = true;
  if (upTo > from) {
    const auto now = static_cast<std::size_t>(upTo - from);
    written = WriteAtDone(segment, index, {data, now});
    if (written) {
      std::memcpy(segment.carried.data(), data + now, take - now);
      segment.carriedBytes = static_cast<std::uint32_t>(take - now);
    }
  } else {
    std::memcpy(segment.carried.data() + segment.carriedBytes, data, take);
    segment.carriedBytes += static_cast<std::uint32_t>(take);
  }
  if (paused_) {
    WriteAtDone(segment, index, {});
    SaveProgress(index);
    if (!rangeSupported_) {
      segment.done = 0;
      downloadedBytes_ = 0;
    }
    return false;
  }
  return written;
}

bool CurlDownloader::WriteAtDone(Segment& segment, int index, std::string_view received) {
  const std::string_view carried(segment.carried.data(), segment.carriedBytes);
  segment.carriedBytes = 0;
  if (carried.empty() && received.empty()) return true;
  const platform::Status status =
      tmpFile_ ? tmpFile_->WriteAt(std::uint64_t{segment.start} + segment.done, carried, received)
               : platform::Status(platform::Error{EBADF, "no temporary file"});
  if (!status) {
    CURL_LOG("WriteData", "CurlDownloader Obj Ptr: 0X%p, _fseeki64 error! GetLastError:%d",
             static_cast<void*>(this), status.error().code);
    // Later bytes of this answer no longer follow on from done: ask again.
    return false;
  }
  const auto bytes = static_cast<std::uint32_t>(carried.size() + received.size());
  segment.done = segment.done + bytes;
  downloadedBytes_ += bytes;
  if (segment.complete() || Clock::now() - segment.recordedAt >= kRecordInterval) SaveProgress(index);
  return true;
}

void* CurlDownloader::DownloadFun(void* token) {
  const char* text = static_cast<const char*>(token);
  const Context context = ParseContext(text);
  if (context.downloader == nullptr || context.segment < 0) return nullptr;
  context.downloader->RunWorker(context.segment, text);
  context.downloader->segments_[context.segment]->workerRunning = false;
  return nullptr;
}

void CurlDownloader::RunWorker(int index, const char* token) {
  Segment& segment = *segments_[index];
  if (paused_) {
    ReleaseHandle(segment);
    return;
  }
  CURLcode result = CURLE_OK;
  for (;;) {
    if (segment.complete()) {
      if (segment.retries != 0) {
        CURL_LOG("DownloadFun", "CurlDownloader Obj Ptr: 0X%p, 线程%d接收数据完毕，重试次数：%d",
                 static_cast<void*>(this), index, segment.retries);
      }
      ReleaseHandle(segment);
      return;
    }
    const std::uint32_t remaining = segment.length - segment.done;
    const std::uint32_t from = segment.start + segment.done;
    segment.requestFrom = from;
    if (rangeSupported_) {
      // The upper bound is the first byte after the range; the extra byte is dropped.
      char range[48];
      std::snprintf(range, sizeof range, "%lu-%lu", static_cast<unsigned long>(from),
                    static_cast<unsigned long>(from) + remaining);
      result = curl_easy_setopt(segment.handle, CURLOPT_RANGE, range);
    }
    if (result == CURLE_OK) {
      result = curl_easy_perform(segment.handle);
      {
        // What the answer brought before it ended, whole or not, goes in.
        std::lock_guard guard(lock_);
        if (!WriteAtDone(segment, index, {}) && result == CURLE_OK) result = CURLE_WRITE_ERROR;
        SaveProgress(index);
      }
      if (result == CURLE_OK && segment.length - segment.done < remaining) {
        if (paused_) {
          ReleaseHandle(segment);
          return;
        }
        continue;
      }
      if (!paused_ && platform::IsNetworkAlive()) {
        long status = 0;
        curl_easy_getinfo(segment.handle, CURLINFO_RESPONSE_CODE, &status);
        if (segment.retries >= settings_.maxRetries) {
          CURL_LOG("DownloadFun", "CurlDownloader Obj Ptr: 0X%p, 线程%d重试下载失败",
                   static_cast<void*>(this), index);
        } else {
          const int retries = segment.retries;
          if (!InitSegmentHandle(token)) {
            CURL_LOG("DownloadFun", "CurlDownloader Obj Ptr: 0X%p, 线程%d初始化失败，无法尝试重试",
                     static_cast<void*>(this), index);
          } else {
            segment.retries = retries;
            SleepEx(RetryWaitMs(segment.retries));
            ++segment.retries;
            if (!rangeSupported_) {
              std::lock_guard guard(lock_);
              segment.done = 0;
              downloadedBytes_ = 0;
            }
            const std::uint32_t size = fileSize_;
            CURL_LOG("DownloadFun",
                     "CurlDownloader Obj Ptr: 0X%p, 下载进度:%f%%, 线程%d下载数据失败，lastHttpCode: "
                     "%ld, CURLcode: %d, 尝试第%d次重试",
                     static_cast<void*>(this),
                     size == 0 ? 0.0 : downloadedBytes_.load() * 100.0 / size, index, status,
                     static_cast<int>(result), segment.retries);
            result = CURLE_OK;
            continue;
          }
        }
      }
    }
    CURL_LOG("DownloadFun", "CurlDownloader Obj Ptr: 0X%p, 线程%d接收数据失败，错误码：CURLCode=%d",
             static_cast<void*>(this), index, static_cast<int>(result));
    ReleaseHandle(segment);
    return;
  }
}

bool CurlDownloader::IsFinished(bool* stopped) {
  std::lock_guard guard(lock_);
  bool complete = true;
  bool allStopped = true;
  for (const auto& segment : segments_) {
    if (segment->done != segment->length) complete = false;
    if (segment->handle != nullptr && segment->workerRunning) allStopped = false;
  }
  if (stopped != nullptr) *stopped = complete || allStopped;
  return complete && !segments_.empty();
}

void CurlDownloader::JoinWorkers(bool onlyRunningIncomplete, bool* allJoined) {
  std::lock_guard joinGuard(joinLock_);
  std::vector<int> targets;
  {
    std::lock_guard guard(lock_);
    for (int i = 0; i < static_cast<int>(segments_.size()); ++i) {
      const Segment& segment = *segments_[i];
      if (!segment.threadStarted) continue;
      if (onlyRunningIncomplete &&
          (segment.complete() || segment.handle == nullptr || !segment.workerRunning)) {
        continue;
      }
      targets.push_back(i);
    }
  }
  for (int i : targets) {
    Segment& segment = *segments_[i];
    if (pthread_join(segment.thread, nullptr) != 0) {
      CURL_LOG("Pause", "CurlDownloader Obj Ptr: 0X%p, 线程%d暂停失败", static_cast<void*>(this), i);
      if (allJoined != nullptr) *allJoined = false;
    }
    segment.threadStarted = false;
  }
}

bool CurlDownloader::Pause() {
  paused_ = true;
  bool allJoined = true;
  JoinWorkers(true, &allJoined);
  return allJoined;
}

void CurlDownloader::WaitAndFinish() {
  // Workers that ended by themselves are joined too, so none is left behind.
  JoinWorkers(false, nullptr);
  FinalProc();
}
