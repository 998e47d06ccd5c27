#include "zerozedev/crash/multipart_post.h"

#include <curl/curl.h>

#include <filesystem>
#include <memory>
#include <mutex>

namespace google_breakpad {
namespace {

// The upload has no time-out of its own, but a peer that stops answering
// must not hold the crash server's thread forever: give up when less than
// one byte a second moves for this long. A slow transfer that moves is never
// cut.
constexpr long kStallSeconds = 120;

struct CurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
  void operator()(curl_mime* mime) const { curl_mime_free(mime); }
};

size_t DiscardBody(char*, size_t size, size_t count, void*) { return size * count; }

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

MultipartPostResult Failure(std::string error) {
  MultipartPostResult result;
  result.error = std::move(error);
  return result;
}

}  // namespace

MultipartPostResult PostMultipart(const std::string& url, const std::map<std::string, std::string>& fields,
                                  const std::map<std::string, std::string>& files) {
  InitCurlOnce();
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) return Failure("cannot create a transfer");
  std::unique_ptr<curl_mime, CurlDeleter> form(curl_mime_init(curl.get()));
  if (!form) return Failure("cannot create a form");

  for (const auto& [name, value] : fields) {
    curl_mimepart* part = curl_mime_addpart(form.get());
    if (part == nullptr || curl_mime_name(part, name.c_str()) != CURLE_OK ||
        curl_mime_data(part, value.data(), value.size()) != CURLE_OK) {
      return Failure("cannot add field " + name);
    }
  }
  for (const auto& [name, path] : files) {
    // libcurl takes a folder for a file and posts it.
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored)) return Failure("no file " + path);
    curl_mimepart* part = curl_mime_addpart(form.get());
    if (part == nullptr || curl_mime_name(part, name.c_str()) != CURLE_OK ||
        curl_mime_filedata(part, path.c_str()) != CURLE_OK ||
        curl_mime_type(part, "application/octet-stream") != CURLE_OK) {
      return Failure("cannot read " + path);
    }
  }

  char error_text[CURL_ERROR_SIZE] = {};
  CURL* handle = curl.get();
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_MIMEPOST, form.get());
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, DiscardBody);
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error_text);
  const CURLcode code = curl_easy_perform(handle);
  if (code != CURLE_OK) return Failure(error_text[0] != '\0' ? error_text : curl_easy_strerror(code));

  MultipartPostResult result;
  result.answered = true;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &result.status);
  return result;
}

}  // namespace google_breakpad
