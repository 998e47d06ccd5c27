// The engine's life: construction, the start of a download, the workers'
// tokens and handles, and the segment table.

#include "updater/download/curl_downloader.h"

#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/shared_file.h"
#include "updater/download/curl_log.h"
#include "updater/download/dns_share.h"
#include "updater/download/segment_plan.h"

namespace {

constexpr std::size_t kTokenBytes = 32;
constexpr long kDnsCacheSeconds = 300;

}  // namespace

CurlDownloader::CurlDownloader(DownloadSettings settings) : settings_(std::move(settings)) {}

CurlDownloader::~CurlDownloader() {
  Pause();
  {
    std::lock_guard guard(lock_);
    CloseTempFile();
  }
  ClearSegments();
}

bool CurlDownloader::Start(const std::string& url, const std::string& targetPath,
                           std::optional<int> threadCount) {
  const int threads = threadCount.value_or(settings_.maxThreads);
  // Copies first: the problem path passes this engine's own fields back in.
  std::string newUrl = url;
  std::string newTarget = targetPath;
  ClearSegments();
  paused_ = false;
  url_ = std::move(newUrl);
  targetPath_ = std::move(newTarget);
  fileSize_ = 0;
  downloadedBytes_ = 0;
  rangeSupported_ = false;

  platform::DeleteSharedFile(targetPath_);

  if (platform::FileExists(TempPath())) {
    CURL_LOG("Start", "CurlDownloader Obj Ptr: 0X%p, 根据上次的临时文件，进行断点续传",
             static_cast<void*>(this));
    return ContinueDownloadByTmpFile();
  }

  if (!DownloadInit()) return false;

  const auto plan = PlanSegments(fileSize_, rangeSupported_, threads, settings_.blockUnit);
  {
    std::lock_guard guard(lock_);
    for (const auto& range : plan) {
      auto segment = std::make_unique<Segment>();
      segment->start = range.start;
      segment->length = range.length;
      segments_.push_back(std::move(segment));
    }
  }
  if (!CreateTempFile()) return false;

  for (int i = 0; i < static_cast<int>(segments_.size()); ++i) {
    if (!StartWorker(i)) {
      CURL_LOG("Start", "CurlDownloader Obj Ptr: 0X%p, 线程%d开启失败", static_cast<void*>(this), i);
      Pause();
      FinalProc();
      return false;
    }
  }
  return true;
}

CurlDownloader::Context CurlDownloader::ParseContext(const char* token) {
  Context context;
  if (token == nullptr) return context;
  const char* plus = std::strchr(token, '+');
  if (plus == nullptr) return context;
  const std::string address(token, plus);
  char* end = nullptr;
  const unsigned long long value = std::strtoull(address.c_str(), &end, 16);
  if (end == address.c_str() || *end != '\0' || value == 0) return context;
  context.downloader = reinterpret_cast<CurlDownloader*>(static_cast<std::uintptr_t>(value));

  const long number = std::strtol(plus + 1, &end, 10);
  if (end != plus + 1 && number >= 0 &&
      static_cast<std::size_t>(number) < context.downloader->segments_.size()) {
    context.segment = static_cast<int>(number);
  }
  return context;
}

bool CurlDownloader::InitSegmentHandle(const char* token) {
  const Context context = ParseContext(token);
  if (context.downloader != this || context.segment < 0) return false;

  CURL* handle = curl_easy_init();
  if (handle == nullptr) return false;
  curl_easy_setopt(handle, CURLOPT_SHARE, DnsShare());
  curl_easy_setopt(handle, CURLOPT_DNS_CACHE_TIMEOUT, kDnsCacheSeconds);

  const bool configured =
      curl_easy_setopt(handle, CURLOPT_URL, url_.c_str()) == CURLE_OK && CheckSSL(handle, url_) &&
      curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CurlDownloader::WriteData) == CURLE_OK &&
      curl_easy_setopt(handle, CURLOPT_WRITEDATA, token) == CURLE_OK &&
      curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
      curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
      curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, settings_.timeout) == CURLE_OK &&
      // An error page is not package data.
      curl_easy_setopt(handle, CURLOPT_FAILONERROR, 1L) == CURLE_OK &&
      // A server that stops sending would otherwise hold the worker for ever.
      curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK &&
      curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, settings_.stallSeconds) == CURLE_OK &&
      curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, settings_.receiveBufferBytes) == CURLE_OK;
  if (!configured) {
    curl_easy_cleanup(handle);
    return false;
  }
  CURL* replaced = nullptr;
  {
    // Swapped in one step: a worker rebuilding its handle for a retry never
    // looks, to IsFinished, like a worker that has ended.
    std::lock_guard guard(lock_);
    Segment& segment = *segments_[context.segment];
    segment.retries = 0;
    replaced = segment.handle;
    segment.handle = handle;
  }
  if (replaced != nullptr) curl_easy_cleanup(replaced);
  return true;
}

bool CurlDownloader::StartWorker(int index) {
  auto token = std::make_unique<char[]>(kTokenBytes);
  std::snprintf(token.get(), kTokenBytes, "%p+%d", static_cast<void*>(this), index);
  if (!InitSegmentHandle(token.get())) return false;

  Segment& segment = *segments_[index];
  std::lock_guard joinGuard(joinLock_);
  segment.workerRunning = true;
  if (pthread_create(&segment.thread, nullptr, &CurlDownloader::DownloadFun, token.get()) != 0) {
    segment.workerRunning = false;
    ReleaseHandle(segment);
    return false;
  }
  segment.threadStarted = true;
  std::lock_guard guard(lock_);
  if (tokens_.size() < segments_.size()) tokens_.resize(segments_.size());
  tokens_[index] = std::move(token);
  return true;
}

void CurlDownloader::ReleaseHandle(Segment& segment) {
  CURL* handle = nullptr;
  {
    std::lock_guard guard(lock_);
    handle = segment.handle;
    segment.handle = nullptr;
  }
  if (handle != nullptr) curl_easy_cleanup(handle);
}

void CurlDownloader::ClearSegments() {
  paused_ = true;
  JoinWorkers(false, nullptr);
  for (auto& segment : segments_) ReleaseHandle(*segment);
  std::lock_guard guard(lock_);
  segments_.clear();
  tokens_.clear();
}
