#include "updater/progress/progress_texts.h"

#include <algorithm>

#include "platform/text.h"

namespace {

// The window formats into buffers of 259 wide characters (258 and the end).
constexpr std::size_t kTextBufferUnits = 258;
constexpr std::size_t kVersionUnits = 99;
constexpr std::size_t kPromptLineUnits = 259;
constexpr int kRetryWindowWidth = 360;
constexpr char16_t kCurrentVersion[] = u"8.6.6";

// At most `units` UTF-16 units, never half a surrogate pair.
std::u16string Bounded(std::u16string text, std::size_t units) {
  if (text.size() <= units) return text;
  std::size_t cut = units;
  if (cut > 0 && text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF) --cut;
  text.resize(cut);
  return text;
}

std::u16string Number(std::int64_t value) { return platform::Utf8ToUtf16(std::to_string(value)); }

}  // namespace

std::int64_t DownloadPercentage(std::int64_t downloadedBytes, std::int64_t totalBytes) {
  if (totalBytes == 0) return 0;
  return downloadedBytes * 100 / totalBytes;
}

int DisplayedPercentage(std::int64_t percentage) {
  return static_cast<int>(std::clamp<std::int64_t>(percentage, 0, 100));
}

std::uint32_t SpeedPerTick(std::int64_t downloadedBytes, std::uint32_t lastDownloadedLow) {
  return static_cast<std::uint32_t>(downloadedBytes) - lastDownloadedLow;
}

std::u16string SpeedText(std::uint32_t speed) {
  if (speed < 1024) return Number(speed) + u" B/s";
  if (speed <= 1048576) return Number(speed >> 10) + u" KB/s";
  return Number(speed >> 20) + u" MB/s";
}

std::u16string RetrySuffix(bool chinese, std::uint32_t retryCount) {
  if (retryCount == 0) return {};
  const std::u16string count = Number(static_cast<std::int32_t>(retryCount));
  return Bounded(chinese ? u"（重试第" + count + u"次)" : u"（Retring for " + count + u" times)", kTextBufferUnits);
}

std::u16string StatusText(bool chinese, bool forced, int percentage, std::uint32_t retryCount, std::uint32_t speed) {
  const std::u16string percent = Number(percentage) + u"%";
  const std::u16string retry = RetrySuffix(chinese, retryCount);
  std::u16string status;
  if (forced) {
    status = chinese ? u"客户端有新版本，正在自动更新，请稍候哦" + percent + retry
                     : u"Find new version for client, updating now ......" + percent + retry;
  } else {
    status = chinese ? u"已下载：" + percent + retry + u"  下载速度：" + SpeedText(speed)
                     : u"Download updatings......" + percent + retry;
  }
  return Bounded(status, kTextBufferUnits);
}

std::u16string CompletionText(bool chinese) {
  return chinese ? u"已下载：100%   新版本将在下次启动时安装！！" : u"Reopen to update it";
}

std::u16string VersionLabel(const std::string& newVersion) {
  if (newVersion.empty()) return std::u16string(u"当前版本：") + kCurrentVersion;
  return Bounded(u"最新版本：" + Bounded(platform::AnsiToUtf16(newVersion), kVersionUnits), kTextBufferUnits);
}

std::vector<std::string> SplitPrompt(const std::string& prompt) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t star = prompt.find('*'); star != std::string::npos; star = prompt.find('*', start)) {
    pieces.push_back(prompt.substr(start, star - start));
    start = star + 1;
  }
  if (start < prompt.size()) pieces.push_back(prompt.substr(start));
  return pieces;
}

std::u16string PromptLine(const std::string& piece) {
  return Bounded(platform::AnsiToUtf16(piece), kPromptLineUnits);
}

DuiLib::RECT RetryWindowRect(const DuiLib::RECT& window) {
  return DuiLib::RECT{window.right - kRetryWindowWidth, window.top, window.right, window.bottom};
}

FailureNoticeTexts FailureNotice(bool chinese, bool networkUp) {
  if (networkUp) {
    if (chinese) return {u"升级出问题了,请下载完整安装包~", u"前往下载"};
    return {u"Problems occured. Please visit our website~", u"Go Downloading Page"};
  }
  if (chinese) return {u"网络已断开，请检查网络环境后重试~", u"关闭"};
  return {u"The network has been disconnected. Please check the network environment and try again.", u"Close"};
}
