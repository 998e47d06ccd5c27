// Probing the server before the transfer: the package size (following
// redirects itself), range support, a short range test; the https options
// and the paced waits shared with the workers.

#include <curl/curl.h>

#include <cstdio>
#include <limits>
#include <memory>

#include "platform/clock.h"
#include "platform/debug_output.h"
#include "platform/folders.h"
#include "platform/network_state.h"
#include "platform/shared_file.h"
#include "updater/download/curl_downloader.h"
#include "updater/download/curl_log.h"
#include "updater/download/dns_share.h"
#include "updater/download/response_headers.h"
#include "updater/download/retry_wait.h"

namespace {

constexpr long kDnsCacheSeconds = 300;
constexpr std::uint32_t kSleepStepMs = 100;
constexpr std::uint32_t kRangeTestBytes = 1024;

// The probes' write token. Without a token of its own a handle hands the body
// callback the transfer library's default, the process's standard output
// structure, which the callback would read as a token. This one names no
// segment, so what arrives with it is taken and dropped.
char kProbeToken[] = "Probe";

std::size_t AppendHeader(char* data, std::size_t size, std::size_t count, void* text) {
  static_cast<std::string*>(text)->append(data, size * count);
  return size * count;
}

const std::string& ModuleDirectory() {
  static const std::string directory = [] {
    auto folder = platform::OwnExecutableFolder();
    return folder ? *folder : std::string();
  }();
  return directory;
}

}  // namespace

void CurlDownloader::LogPaused(const char* operation) {
  UpdaterLog::Instance().Write(0, "CurlDownload", __LINE__, operation,
                               "CurlDownloader Obj Ptr: 0X%p, 遭到暂停", static_cast<void*>(this));
}

CURL* CurlDownloader::NewProbeHandle() {
  CURL* handle = curl_easy_init();
  if (handle == nullptr) return nullptr;
  curl_easy_setopt(handle, CURLOPT_SHARE, DnsShare());
  curl_easy_setopt(handle, CURLOPT_DNS_CACHE_TIMEOUT, kDnsCacheSeconds);
  return handle;
}

bool CurlDownloader::DownloadInit() {
  const std::uint64_t begin = platform::TickCountMs();
  CURL_LOG("DownloadInit", "CurlDownloader Obj Ptr: 0X%p DownloadInit begin", static_cast<void*>(this));
  if (!CheckFileLength()) return false;
  if (!CheckIsSupportRange()) return false;
  if (rangeSupported_ && !CheckIsSupportRangeEx()) return false;
  CURL_LOG("DownloadInit",
           "CurlDownloader Obj Ptr: 0X%p DownloadInit end, IsMutilDonwload: %d, FileSize: %uB, "
           "Take time=%d",
           static_cast<void*>(this), rangeSupported_ ? 1 : 0, fileSize_.load(),
           static_cast<int>(platform::TickCountMs() - begin));
  return fileSize_ != 0;
}

bool CurlDownloader::CheckFileLength() {
  const std::uint64_t begin = platform::TickCountMs();
  long status = 0;
  for (int retry = 0;; ++retry) {
    std::string probe = url_;
    curl_off_t reported = -1;
    CURLcode result = CURLE_OK;
    CURL* handle = NewProbeHandle();
    if (handle == nullptr) return false;
    for (int redirects = 0;;) {
      if (paused_) {
        LogPaused("CurlDownloader::CheckFileLength");
        curl_easy_cleanup(handle);
        return false;
      }
      if (!CheckSSL(handle, probe)) {
        curl_easy_cleanup(handle);
        return false;
      }
      curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, "GET");
      curl_easy_setopt(handle, CURLOPT_URL, probe.c_str());
      curl_easy_setopt(handle, CURLOPT_HEADER, 1L);
      curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
      curl_easy_setopt(handle, CURLOPT_TIMEOUT, settings_.timeout);
      curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
      curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CurlDownloader::WriteData);
      curl_easy_setopt(handle, CURLOPT_WRITEDATA, kProbeToken);
      // A GET whose body is not read leaves that body on the connection
      // whenever it comes after the head (a redirect's page, the package
      // itself): the next hop must not find it there as its answer.
      curl_easy_setopt(handle, CURLOPT_FORBID_REUSE, 1L);
      status = 0;
      if (paused_) {
        LogPaused("CurlDownloader::CheckFileLength");
        curl_easy_cleanup(handle);
        return false;
      }
      result = curl_easy_perform(handle);
      if (result != CURLE_OK) {
        CURL_LOG("CheckFileLength", "CurlDownloader Obj Ptr: 0X%p, 获取文件长度失败, CURLcode=%d",
                 static_cast<void*>(this), static_cast<int>(result));
        char text[128];
        std::snprintf(text, sizeof text, "CurlDownloader Obj Ptr: 0X%p, 获取文件长度失败, CURLcode=%d",
                      static_cast<void*>(this), static_cast<int>(result));
        platform::OutputDebugText(text);
        break;
      }
      curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
      if (status == 301 || status == 302) {
        char* target = nullptr;
        curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &target);
        if (target == nullptr || *target == '\0' || redirects >= settings_.maxRedirects) {
          // Counts as a failed attempt: a loop of redirects must not hold the probe.
          CURL_LOG("CheckFileLength",
                   "CurlDownloader Obj Ptr: 0X%p, redirect not followed (target missing or more "
                   "than %d redirects), HttpCode: %ld",
                   static_cast<void*>(this), settings_.maxRedirects, status);
          break;
        }
        CURL_LOG("CheckFileLength", "CurlDownloader Obj Ptr: 0X%p, 遇到重定向，RedirectUrl: %s",
                 static_cast<void*>(this), target);
        probe = target;
        ++redirects;
        continue;
      }
      if (status >= 200 && status <= 299) {
        if (status != 200) {
          CURL_LOG("CheckFileLength", "CurlDownloader Obj Ptr: 0X%p, HttpCode: %ld",
                   static_cast<void*>(this), status);
        }
        curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &reported);
      }
      break;
    }
    curl_easy_cleanup(handle);

    if (reported != -1 && reported != 0) {
      if (reported > static_cast<curl_off_t>(std::numeric_limits<std::uint32_t>::max())) {
        CURL_LOG("CheckFileLength",
                 "CurlDownloader Obj Ptr: 0X%p, package of %lld bytes refused: sizes of 4 GiB or "
                 "more cannot be resumed",
                 static_cast<void*>(this), static_cast<long long>(reported));
        return false;
      }
      if (retry != 0) {
        CURL_LOG("CheckFileLength", "CurlDownloader Obj Ptr: 0X%p, 获取文件长度成功，重试次数：%d",
                 static_cast<void*>(this), retry);
      }
      url_ = probe;
      fileSize_ = static_cast<std::uint32_t>(reported);
      return true;
    }
    if (status == 404) return false;
    if (retry >= settings_.maxRetries) {
      CURL_LOG("CheckFileLength", "CurlDownloader Obj Ptr: 0X%p, 重试获取文件长度失败, LastHttpCode:%ld",
               static_cast<void*>(this), status);
      CURL_LOG("CheckFileLength", "CurlDownloader Obj Ptr: 0X%p, end, Take time=%d",
               static_cast<void*>(this), static_cast<int>(platform::TickCountMs() - begin));
      return false;
    }
    CURL_LOG("CheckFileLength",
             "CurlDownloader Obj Ptr: 0X%p, 获取文件长度失败, lastHttpCode:%ld, CURLcode:%d, "
             "尝试第%d次重试",
             static_cast<void*>(this), status, static_cast<int>(result), retry + 1);
    if (!paused_ && platform::IsNetworkAlive()) SleepEx(RetryWaitMs(retry + 1));
  }
}

bool CurlDownloader::CheckIsSupportRange() {
  if (fileSize_ == 0) return true;
  if (paused_) {
    LogPaused("CurlDownloader::CheckIsSupportRange");
    return false;
  }
  for (int retry = 0;;) {
    CURL* handle = NewProbeHandle();
    if (handle == nullptr || !CheckSSL(handle, url_)) {
      if (handle != nullptr) curl_easy_cleanup(handle);
      return false;
    }
    std::string headers;
    curl_easy_setopt(handle, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(handle, CURLOPT_HEADER, 1L);
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &AppendHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &headers);
    curl_easy_setopt(handle, CURLOPT_RANGE, "0-");
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, settings_.timeout);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CurlDownloader::WriteData);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, kProbeToken);
    const CURLcode result = curl_easy_perform(handle);
    curl_easy_cleanup(handle);

    if (result == CURLE_OK) {
      rangeSupported_ = HasByteContentRange(headers);
      return true;
    }
    if (retry >= settings_.maxRetries) {
      CURL_LOG("CheckIsSupportRange",
               "CurlDownloader Obj Ptr: 0X%p, 判断是否支持多线程失败，默认采用单线程下载",
               static_cast<void*>(this));
      return true;
    }
    ++retry;
    CURL_LOG("CheckIsSupportRange",
             "CurlDownloader Obj Ptr: 0X%p, 判断是否支持多线程失败, CURLcode:%d, 尝试第%d次重试",
             static_cast<void*>(this), static_cast<int>(result), retry);
    if (!paused_ && platform::IsNetworkAlive()) SleepEx(RetryWaitMs(retry));
    if (paused_) {
      LogPaused("CurlDownloader::CheckIsSupportRange");
      return false;
    }
  }
}

bool CurlDownloader::CheckIsSupportRangeEx() {
  if (fileSize_ == 0) {
    rangeSupported_ = false;
    return true;
  }
  if (paused_) {
    LogPaused("CurlDownloader::CheckIsSupportRangeEx");
    return false;
  }
  CURL* handle = NewProbeHandle();
  if (handle == nullptr || !CheckSSL(handle, url_)) {
    if (handle != nullptr) curl_easy_cleanup(handle);
    return false;
  }
  const int testLength = static_cast<int>(fileSize_ > kRangeTestBytes ? kRangeTestBytes : fileSize_ / 2);
  auto counter = std::make_unique<long long>(0);
  const int tokenBytes =
      std::snprintf(nullptr, 0, "%s##%p##%d", "RangeTest", static_cast<void*>(counter.get()), testLength);
  auto token = std::make_unique<char[]>(static_cast<std::size_t>(tokenBytes) + 1);
  std::snprintf(token.get(), static_cast<std::size_t>(tokenBytes) + 1, "%s##%p##%d", "RangeTest",
                static_cast<void*>(counter.get()), testLength);
  char range[32];
  std::snprintf(range, sizeof range, "1-%d", testLength);

  curl_easy_setopt(handle, CURLOPT_URL, url_.c_str());
  curl_easy_setopt(handle, CURLOPT_RANGE, range);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, settings_.timeout);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &CurlDownloader::WriteData);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, token.get());
  rangeSupported_ = curl_easy_perform(handle) == CURLE_OK;
  curl_easy_cleanup(handle);
  return true;
}

bool CurlDownloader::CheckSSL(CURL* handle, const std::string& address) {
  if (handle == nullptr || address.empty()) return false;
  std::string scheme = address.substr(0, 5);
  for (char& c : scheme) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (scheme != "https") return true;

  // Client certificate options only for names that are set: empty names would
  // point the transfer library at the program's folder.
  const std::pair<const std::string*, CURLoption> files[] = {{&settings_.certFile, CURLOPT_SSLCERT},
                                                             {&settings_.keyFile, CURLOPT_SSLKEY}};
  std::string paths[2];
  for (int i = 0; i < 2; ++i) {
    const std::string& name = *files[i].first;
    if (name.empty()) continue;
    paths[i] = ModuleDirectory() + "/" + name;
    if (!platform::FileExists(paths[i])) {
      UpdaterLog::Instance().Write(0, "CurlDownload", __LINE__, "CurlDownloader::CheckSSL",
                                   "%s is not exist!", name.c_str());
      return false;
    }
  }
  curl_easy_setopt(handle, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 1L);
  for (int i = 0; i < 2; ++i) {
    if (!paths[i].empty()) curl_easy_setopt(handle, files[i].second, paths[i].c_str());
  }
  return true;
}

void CurlDownloader::SleepEx(std::uint32_t ms) {
  for (std::uint64_t slept = 0; slept < ms; slept += kSleepStepMs) {
    if (paused_) {
      LogPaused("CurlDownloader::SleepEx");
      return;
    }
    platform::SleepMs(kSleepStepMs);
  }
}
