#pragma once
// What the progress window shows, as functions of what it knows: the
// percentage and speed of the download, the status line in either language,
// the version label, the change-log lines and the failure notices.

#include <cstdint>
#include <string>
#include <vector>

#include "outside/duilib/win_defs.h"

// downloaded * 100 / total in 64-bit arithmetic, truncated; 0 while the total
// is unknown (0). Not clamped.
std::int64_t DownloadPercentage(std::int64_t downloadedBytes, std::int64_t totalBytes);
// At most 100 (and never below 0), for the display.
int DisplayedPercentage(std::int64_t percentage);

// Bytes per tick from the low 32 bits of the downloaded count at two ticks.
std::uint32_t SpeedPerTick(std::int64_t downloadedBytes, std::uint32_t lastDownloadedLow);
// "%d B/s" below 1024, "%d KB/s" up to 1048576, "%d MB/s" above, truncating.
std::u16string SpeedText(std::uint32_t speed);

// Empty for 0, else "（重试第%d次)" or "（Retring for %d times)".
std::u16string RetrySuffix(bool chinese, std::uint32_t retryCount);

// The status line while downloading; the speed appears in the Chinese line
// of an update that is not forced only.
std::u16string StatusText(bool chinese, bool forced, int percentage, std::uint32_t retryCount, std::uint32_t speed);
// The status line once a not forced update is downloaded.
std::u16string CompletionText(bool chinese);
inline constexpr char16_t kCompletionTitle[] = u"新版本下载完成！";

// "最新版本：<newVersion>", or "当前版本：8.6.6" without one.
std::u16string VersionLabel(const std::string& newVersion);

// The change log cut at every "*": a trailing "*" adds no empty line, a
// leading or doubled one does.
std::vector<std::string> SplitPrompt(const std::string& prompt);
// One change-log line as the list shows it (at most 259 characters).
std::u16string PromptLine(const std::string& piece);

// The window made 360 pixels wide, keeping its right edge, top and height.
DuiLib::RECT RetryWindowRect(const DuiLib::RECT& window);

struct FailureNoticeTexts {
  std::u16string text;
  std::u16string button;
};
FailureNoticeTexts FailureNotice(bool chinese, bool networkUp);
