#include "updater/progress/progress_texts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"

namespace {

std::string Utf8(const std::u16string& text) { return platform::Utf16ToUtf8(text); }

TEST(ProgressTexts, SpeedTextsTruncateAtTheirThresholds) {
  const struct {
    std::uint32_t speed;
    const char* text;
  } cases[] = {
      {0, "0 B/s"},           {1023, "1023 B/s"},     {1024, "1 KB/s"},        {2047, "1 KB/s"},
      {1048576, "1024 KB/s"}, {1048577, "1 MB/s"},    {0xFFFFFFFFu, "4095 MB/s"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8(SpeedText(c.speed)), c.text) << c.speed;
}

TEST(ProgressTexts, PercentageIs64BitTruncatedAndClampedForTheDisplay) {
  constexpr std::int64_t kGiB = std::int64_t{1} << 30;
  const struct {
    std::int64_t downloaded;
    std::int64_t total;
    std::int64_t percentage;
    int displayed;
  } cases[] = {
      {0, 0, 0, 0},                      // size not known yet
      {500, 0, 0, 0},
      {1, 3, 33, 33},                    // truncated
      {2, 3, 66, 66},
      {5 * kGiB, 10 * kGiB, 50, 50},     // past 4 GiB: no 32-bit overflow
      {6 * kGiB - 1, 6 * kGiB, 99, 99},
      {6 * kGiB, 6 * kGiB, 100, 100},
      {12 * kGiB, 6 * kGiB, 200, 100},   // more than the total shows 100
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DownloadPercentage(c.downloaded, c.total), c.percentage) << c.downloaded << "/" << c.total;
    EXPECT_EQ(DisplayedPercentage(DownloadPercentage(c.downloaded, c.total)), c.displayed);
  }
}

TEST(ProgressTexts, SpeedIsTheChangeOfTheLow32BitsBetweenTicks) {
  constexpr std::int64_t k4GiB = std::int64_t{1} << 32;
  EXPECT_EQ(SpeedPerTick(3000, 1000), 2000u);
  EXPECT_EQ(SpeedPerTick(k4GiB + 500, 0xFFFFFF00u), 756u);  // across the 4 GiB mark
  EXPECT_EQ(SpeedPerTick(k4GiB * 3 + 10, 10), 0u);
}

TEST(ProgressTexts, ThePromptIsCutAtEveryStar) {
  const struct {
    std::string prompt;
    std::vector<std::string> lines;
  } cases[] = {
      {"a*b*", {"a", "b"}},         // a trailing star adds nothing
      {"*a", {"", "a"}},            // a leading star gives an empty line
      {"a**b", {"a", "", "b"}},     // a doubled star too
      {"a*b", {"a", "b"}},
      {"one line", {"one line"}},
      {"*", {""}},
      {"1. 白板*2. 声音", {"1. 白板", "2. 声音"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitPrompt(c.prompt), c.lines) << c.prompt;
  EXPECT_EQ(PromptLine(std::string(300, 'x')).size(), 259u);
}

TEST(ProgressTexts, TheVersionLabelNamesTheNewVersionOrTheCurrentOne) {
  EXPECT_EQ(Utf8(VersionLabel("8.7.0")), "最新版本：8.7.0");
  EXPECT_EQ(Utf8(VersionLabel("")), "当前版本：8.6.6");
  EXPECT_EQ(VersionLabel(std::string(150, '9')).size(), std::u16string(u"最新版本：").size() + 99);
}

TEST(ProgressTexts, StatusLinesInBothLanguages) {
  const struct {
    bool chinese;
    bool forced;
    int percentage;
    std::uint32_t retries;
    std::uint32_t speed;
    const char* text;
  } cases[] = {
      {true, false, 42, 0, 524288, "已下载：42%  下载速度：512 KB/s"},
      {true, false, 42, 3, 100, "已下载：42%（重试第3次)  下载速度：100 B/s"},
      {true, true, 7, 0, 524288, "客户端有新版本，正在自动更新，请稍候哦7%"},
      {true, true, 7, 1, 0, "客户端有新版本，正在自动更新，请稍候哦7%（重试第1次)"},
      // Six dots: the English texts end in three and the format adds three.
      {false, false, 42, 0, 524288, "Download updatings......42%"},
      {false, false, 42, 2, 524288, "Download updatings......42%（Retring for 2 times)"},
      {false, true, 100, 0, 0, "Find new version for client, updating now ......100%"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8(StatusText(c.chinese, c.forced, c.percentage, c.retries, c.speed)), c.text);
  }
  EXPECT_EQ(Utf8(CompletionText(true)), "已下载：100%   新版本将在下次启动时安装！！");
  EXPECT_EQ(Utf8(CompletionText(false)), "Reopen to update it");
}

TEST(ProgressTexts, TheRetryWidthKeepsTheRightEdge) {
  const DuiLib::RECT window{739, 323, 1181, 756};  // 442 by 433
  EXPECT_EQ(RetryWindowRect(window), (DuiLib::RECT{821, 323, 1181, 756}));
  const DuiLib::RECT english{805, 490, 1115, 590};  // 310 by 100 widens
  EXPECT_EQ(RetryWindowRect(english), (DuiLib::RECT{755, 490, 1115, 590}));
}

}  // namespace
