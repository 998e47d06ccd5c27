#include "zerozedev/log/launcher_log.h"

#include <gtest/gtest.h>

#include <climits>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "support/files.h"
#include "support/regex_match.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "tests/zerozedev/log/log_folder_files.h"
#include "zerozedev/log/record_line.h"

namespace {

using launcher_log_test::AllLines;
using launcher_log_test::LogFilesInOrder;
using launcher_log_test::MessageOf;
using launcher_log_test::OnlyProgramFolder;

// Every test logs under its own data folder.
class LauncherLogTest : public ::testing::Test {
 protected:
  std::filesystem::path Folder() const { return OnlyProgramFolder(dir_.path(), "zerozedev"); }
  std::vector<std::string> Lines() const { return AllLines(Folder()); }

  veska_test::TempDir dir_;
  veska_test::ScopedEnv data_{"XDG_DATA_HOME", dir_.str()};
};

std::string CtimeAt(std::time_t at) {
  std::tm local{};
  localtime_r(&at, &local);
  return CtimeText(local);
}

TEST_F(LauncherLogTest, RecordHasTheLocalTimeAndThePipeSeparatedFields) {
  const std::time_t before = std::time(nullptr);
  {
    LauncherLog log;
    log.Open("zerozedev");
    log.Write(4, "zerozedev", 645, "wWinMain", "Create %s pipe", "cef");
  }
  const std::time_t after = std::time(nullptr);

  const auto files = veska_test::FilesIn(Folder());
  ASSERT_EQ(files.size(), 1u);
  const std::string text = veska_test::ReadFile(files[0]);
  EXPECT_TRUE(veska_test::RegexMatch(
      text,
      "(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123][0-9] "
      "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4} \\|4\\|zerozedev\\|645\\|wWinMain\\|Create cef pipe\n"))
      << text;

  bool timeMatches = false;
  for (std::time_t at = before; at <= after; ++at) timeMatches |= text.rfind(CtimeAt(at) + " |", 0) == 0;
  EXPECT_TRUE(timeMatches) << text;
}

TEST_F(LauncherLogTest, LevelsUpToSevenAreWrittenAndHigherOnesDropped) {
  const std::vector<int> levels = {INT_MIN, -1, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, INT_MAX};
  {
    LauncherLog log;
    log.Open("zerozedev");
    for (int level : levels) log.Write(level, "zerozedev", 1, "f", "level %d", level);
  }
  std::vector<std::string> expected;
  for (int level : levels) {
    if (level <= 7) expected.push_back("level " + std::to_string(level));
  }
  std::vector<std::string> written;
  for (const auto& line : Lines()) written.push_back(MessageOf(line));
  EXPECT_EQ(written, expected);
}

TEST_F(LauncherLogTest, MessageIsCutTo1023Characters) {
  const std::vector<std::size_t> lengths = {1022, 1023, 1024, 2000};
  {
    LauncherLog log;
    log.Open("zerozedev");
    for (std::size_t length : lengths) log.Write(4, "zerozedev", 1, "f", "%s", std::string(length, 'x').c_str());
    // Text in the format itself is cut the same way.
    log.Write(4, "zerozedev", 1, "f", "%s", (std::string(3000, 'y') + "%d").c_str());
  }
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), lengths.size() + 1);
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    EXPECT_EQ(MessageOf(lines[i]), std::string(std::min<std::size_t>(lengths[i], 1023), 'x')) << lengths[i];
  }
  EXPECT_EQ(MessageOf(lines.back()), std::string(1023, 'y'));
}

TEST_F(LauncherLogTest, TextFromPeersCannotStartARecordOfItsOwn) {
  const std::string forged = "http://x/\nThu Jan  1 00:00:00 1970 |4|zerozedev|1|wWinMain|forged\r\x01\x7f\tend";
  {
    LauncherLog log;
    log.Open("zerozedev");
    log.Write(4, "zerozedev", 1, "f", "url:%s", forged.c_str());
    // The limit counts the escaped text.
    log.Write(4, "zerozedev", 2, "f", "%s\n\x01", std::string(1020, 'x').c_str());
  }
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(MessageOf(lines[0]),
            "url:http://x/\\nThu Jan  1 00:00:00 1970 |4|zerozedev|1|wWinMain|forged\\r\\x01\\x7F\\tend");
  EXPECT_EQ(MessageOf(lines[1]), std::string(1020, 'x') + "\\n\\");
}

TEST_F(LauncherLogTest, RecordsBeforeOpenAreDropped) {
  {
    LauncherLog log;
    log.Write(4, "zerozedev", 1, "f", "before");
    log.Open("zerozedev");
    log.Write(4, "zerozedev", 2, "f", "after");
  }
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(MessageOf(lines[0]), "after");
}

TEST_F(LauncherLogTest, RecordsFromSeveralThreadsAreWholeAndInEachThreadsOrder) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 400;
  {
    LauncherLog log;
    log.Open("zerozedev");
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&log, t] {
        const std::string padding(200, static_cast<char>('a' + t));
        for (int i = 0; i < kPerThread; ++i) log.Write(4, "zerozedev", t, "worker", "%d %d %s", t, i, padding.c_str());
      });
    }
    for (auto& thread : threads) thread.join();
  }
  const auto files = veska_test::FilesIn(Folder());
  ASSERT_EQ(files.size(), 1u);
  const std::string text = veska_test::ReadFile(files[0]);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');

  const std::string kLine = ".{24} \\|4\\|zerozedev\\|([0-9])\\|worker\\|([0-9]) ([0-9]+) ([a-d]{200})";
  std::vector<int> next(kThreads, 0);
  int lines = 0;
  for (const auto& line : veska_test::SplitLines(text)) {
    const auto parts = veska_test::RegexGroups(line, kLine);
    ASSERT_TRUE(parts) << line;
    const int thread = std::stoi((*parts)[2]);
    ASSERT_EQ((*parts)[1], (*parts)[2]);
    ASSERT_EQ((*parts)[4], std::string(200, static_cast<char>('a' + thread)));
    EXPECT_EQ(std::stoi((*parts)[3]), next[thread]++) << "thread " << thread;
    ++lines;
  }
  EXPECT_EQ(lines, kThreads * kPerThread);
}

TEST_F(LauncherLogTest, NewFileStartsWhenTheNextRecordWouldPassTheLimit) {
  // 24 (time) + 10 (" |4|t|7|f|") + message + 1 ("\n") = 100 bytes per record:
  // ten fill a 1000-byte file exactly, the eleventh starts the next one.
  constexpr int kRecordSize = 100;
  const std::size_t messageLength = kRecordSize - 24 - 10 - 1;
  {
    LauncherLog log(1000);
    log.Open("zerozedev");
    for (int i = 0; i < 25; ++i) {
      std::string message = std::to_string(i);
      message.resize(messageLength, '.');
      log.Write(4, "t", 7, "f", "%s", message.c_str());
    }
  }
  const auto files = LogFilesInOrder(Folder());
  ASSERT_EQ(files.size(), 3u);
  const std::vector<std::uintmax_t> sizes = {1000, 1000, 500};
  for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(std::filesystem::file_size(files[i]), sizes[i]) << files[i];

  // Nothing lost or overwritten across files opened within the same second.
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 25u);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(std::stoi(MessageOf(lines[i])), i);
}

TEST_F(LauncherLogTest, ProcessLogUsesTheTenMillionByteLimit) {
  EXPECT_EQ(LauncherLog::Instance().maxFileSize(), 10000000);
}

TEST_F(LauncherLogTest, FolderThatCannotBeCreatedLeavesTheLogWithoutAFile) {
  // A file where the "trvo" folder belongs: no folder below it can be made.
  veska_test::WriteFile(dir_ / "trvo", "in the way");
  LauncherLog log;
  log.Open("zerozedev");
  log.Write(4, "zerozedev", 1, "f", "dropped");
  EXPECT_EQ(veska_test::ReadFile(dir_ / "trvo"), "in the way");

  // Once the folder can be made, the next Open starts logging.
  std::filesystem::remove(dir_ / "trvo");
  log.Open("zerozedev");
  log.Write(4, "zerozedev", 2, "f", "kept");
  log.Shutdown();
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(MessageOf(lines[0]), "kept");
}

TEST_F(LauncherLogTest, WithoutADataFolderTheFileGoesToTheCurrentDirectory) {
  veska_test::WriteFile(dir_ / "blocker", "in the way");
  veska_test::ScopedEnv unusable("XDG_DATA_HOME", (dir_ / "blocker" / "data").string());
  const auto current = dir_ / "current";
  std::filesystem::create_directories(current);
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(current);
  {
    LauncherLog log;
    log.Open("zerozedev");
    log.Write(4, "zerozedev", 1, "f", "here");
  }
  std::filesystem::current_path(previous);

  const auto files = veska_test::FilesIn(current);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(veska_test::RegexMatch(files[0].filename().string(), "[0-9]+\\.log"));
  const auto lines = veska_test::SplitLines(veska_test::ReadFile(files[0]));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(MessageOf(lines[0]), "here");
}

TEST_F(LauncherLogTest, FailedRolloverEndsLoggingUntilTheNextOpen) {
  LauncherLog log(200);
  log.Open("zerozedev");
  const auto folder = Folder();
  log.Write(4, "zerozedev", 1, "f", "first");
  ASSERT_TRUE(veska_test::WaitUntil([&] { return AllLines(folder).size() == 1; }));

  // The folder moves away and a file takes its place: the new file cannot be made.
  const auto moved = dir_ / "moved";
  std::filesystem::rename(folder, moved);
  veska_test::WriteFile(folder, "in the way");
  for (int i = 0; i < 5; ++i) log.Write(4, "zerozedev", 2, "f", "%0150d", i);
  ASSERT_TRUE(veska_test::WaitUntil([&] { return !log.IsOpen(); }));
  log.Write(4, "zerozedev", 3, "f", "after the failure");

  std::filesystem::remove(folder);
  log.Open("zerozedev");
  log.Write(4, "zerozedev", 4, "f", "reopened");
  log.Shutdown();

  const auto before = AllLines(moved);
  ASSERT_EQ(before.size(), 1u);
  EXPECT_EQ(MessageOf(before[0]), "first");
  // Records of the failed rollover never come back; the reopened log goes on.
  const auto after = AllLines(folder);
  ASSERT_EQ(after.size(), 1u);
  EXPECT_EQ(MessageOf(after[0]), "reopened");
}

}  // namespace
