#include "updater/log/updater_log.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/digit_pattern.h"
#include "support/files.h"
#include "support/named_program.h"
#include "support/run_program.h"
#include "support/scoped_env.h"
#include "support/scoped_umask.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "updater/log/log_line.h"

namespace {

namespace fs = std::filesystem;
using veska_test::FilesIn;
using veska_test::ReadFile;
using veska_test::SplitLines;

// The line after its "MM dd yyyy HH:mm:ss" time stamp; the whole line, marked,
// when it does not start with one.
std::string AfterTimeStamp(const std::string& line) {
  constexpr std::string_view kStamp = "## ## #### ##:##:##";
  if (!veska_test::MatchesDigitPattern(std::string_view(line).substr(0, kStamp.size()), kStamp)) {
    return "no time stamp: " + line;
  }
  return line.substr(kStamp.size());
}

bool IsLogFileName(const std::string& name, std::string_view stem) {
  const std::string_view text = name;
  const std::string prefix = std::string(stem) + "_";
  return text.starts_with(prefix) && text.ends_with(".log") &&
         veska_test::IsDecimalInteger(text.substr(prefix.size(), text.size() - prefix.size() - 4));
}

// Every case gets its own local application-data folder.
class UpdaterLogTest : public ::testing::Test {
 protected:
  // This test program's name has no ".exe", so the folder carries its whole name.
  fs::path LogFolder() const {
    return data_.path() / "trvo" / "logs" / "Updater" / "updater_log_test";
  }
  std::vector<std::string> LinesOfOnlyFile() const {
    const auto files = FilesIn(LogFolder());
    if (files.size() != 1) {
      ADD_FAILURE() << "expected one log file, found " << files.size();
      return {};
    }
    return SplitLines(ReadFile(files[0]));
  }

  veska_test::TempDir data_;
  veska_test::ScopedEnv dataHome_{"XDG_DATA_HOME", data_.str()};
};

TEST_F(UpdaterLogTest, LineLayoutInTheProgramsFolder) {
  UpdaterLog log;
  log.Open("qelUpdater");
  log.Write(0, "d:\\src\\UpdaterApp", 59, "parseZipConf", "ZipUrl : %s md5 : %d", "http://h/u.zip", 7);
  log.Write(0, "process_op", 12, "FindProcess_ByName", "ends with newline\n");
  log.Shutdown();

  const auto files = FilesIn(LogFolder());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(IsLogFileName(files[0].filename(), "qelUpdater")) << files[0];
  const auto lines = SplitLines(ReadFile(files[0]));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(AfterTimeStamp(lines[0]), "|0|UpdaterApp|59|parseZipConf|ZipUrl : http://h/u.zip md5 : 7");
  EXPECT_EQ(AfterTimeStamp(lines[1]), "|0|process_op|12|FindProcess_ByName|ends with newline");
  EXPECT_EQ(lines[2], "");
}

// Lines carry the update's address and parameters.
TEST_F(UpdaterLogTest, FoldersAndFilesAreTheUsersAloneWhateverTheUmask) {
  const veska_test::ScopedUmask usual(022);
  UpdaterLog log;
  log.Open("qelUpdater");
  log.Write(0, "UpdaterApp", 1, "f", "ZipUrl : %s", "http://h/u.zip?token=1");
  log.Shutdown();
  ASSERT_EQ(FilesIn(LogFolder()).size(), 1u);
  const auto open = veska_test::NotPrivate(data_.path() / "trvo");
  EXPECT_TRUE(open.empty()) << testing::PrintToString(open);
}

TEST_F(UpdaterLogTest, LevelFilters) {
  const struct {
    int exactLevel;
    int maxLevel;
    int level;
    bool written;
  } cases[] = {
      {-1, 4, 4, true},   // as created
      {-1, 4, 5, false},
      {-1, 0, 1, false},  // as the updater sets it: level 2 diagnostics are dropped
      {-1, 0, 0, true},
      {-1, 0, -3, true},
      {-1, -1, -2, false},  // a negative highest level lets nothing through
      {3, 0, 3, true},
      {3, 9, 2, false},
      {3, 9, 4, false},
  };
  for (const auto& c : cases) {
    veska_test::TempDir data;
    veska_test::ScopedEnv dataHome("XDG_DATA_HOME", data.str());
    UpdaterLog log;
    log.SetExactLevel(c.exactLevel);
    log.SetMaxLevel(c.maxLevel);
    log.Open("qelUpdater");
    log.Write(c.level, "UpdaterApp", 1, "f", "level %d", c.level);
    log.Shutdown();
    const auto files = FilesIn(data.path() / "trvo" / "logs" / "Updater" / "updater_log_test");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(!ReadFile(files[0]).empty(), c.written)
        << "exact " << c.exactLevel << " max " << c.maxLevel << " level " << c.level;
  }
}

TEST_F(UpdaterLogTest, WriteBeforeOpenCreatesNothing) {
  UpdaterLog log;
  log.Write(0, "UpdaterApp", 1, "f", "too early");
  log.Shutdown();
  EXPECT_TRUE(fs::is_empty(data_.path()));
}

TEST_F(UpdaterLogTest, FolderThatCannotBeCreatedLeavesNoFile) {
  veska_test::WriteFile(data_ / "trvo", "a file where the folder belongs");
  UpdaterLog log;
  log.Open("qelUpdater");
  log.Write(0, "UpdaterApp", 1, "f", "dropped");
  log.Shutdown();
  EXPECT_TRUE(fs::is_regular_file(data_ / "trvo"));
  EXPECT_EQ(ReadFile(data_ / "trvo"), "a file where the folder belongs");
}

// Lines of exactly `size` bytes as the log writes them.
std::string MessageForLineOf(std::size_t size) {
  const std::size_t frame = updater::LogLine("00 00 0000 00:00:00", 0, "T", 1, "F", "").size();
  return std::string(size - frame, 'm');
}

TEST_F(UpdaterLogTest, LineReachingExactlyTheDefaultLimitStaysInTheFile) {
  const struct {
    std::size_t lastLineBytes;
    std::vector<std::uintmax_t> fileSizes;  // sorted
  } cases[] = {
      {1000, {1000, 10000000}},  // 10000 lines of 1000 bytes fill the file exactly
      {1001, {2001, 9999000}},   // one byte more starts a new file, which the next line joins
  };
  for (const auto& c : cases) {
    veska_test::TempDir data;
    veska_test::ScopedEnv dataHome("XDG_DATA_HOME", data.str());
    UpdaterLog log;  // the default limit, as Instance() uses
    log.Open("qelUpdater");
    const std::string message = MessageForLineOf(1000);
    for (int i = 0; i < 9999; ++i) log.Write(0, "T", 1, "F", "%s", message.c_str());
    log.Write(0, "T", 1, "F", "%s", MessageForLineOf(c.lastLineBytes).c_str());
    log.Write(0, "T", 1, "F", "%s", message.c_str());
    log.Shutdown();

    std::vector<std::uintmax_t> sizes;
    for (const auto& file : FilesIn(data.path() / "trvo" / "logs" / "Updater" / "updater_log_test")) {
      sizes.push_back(fs::file_size(file));
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, c.fileSizes) << "last line " << c.lastLineBytes;
  }
}

TEST_F(UpdaterLogTest, RotationsWithinOneMillisecondKeepEveryLine) {
  UpdaterLog log(100);
  log.Open("qelUpdater");
  const std::string message = MessageForLineOf(60);
  constexpr int kLines = 30;
  for (int i = 0; i < kLines; ++i) log.Write(0, "T", 1, "F", "%s%02d", message.substr(2).c_str(), i);
  // An empty file takes even a line longer than the limit, so no empty files appear.
  log.Write(0, "T", 1, "F", "%s", MessageForLineOf(300).c_str());
  log.Shutdown();

  const auto files = FilesIn(LogFolder());
  ASSERT_EQ(files.size(), kLines + 1u);
  std::vector<std::string> numbers;
  for (const auto& file : files) {
    const auto lines = SplitLines(ReadFile(file));
    ASSERT_EQ(lines.size(), 1u) << file;
    numbers.push_back(lines[0].size() == 299 ? "long" : lines[0].substr(lines[0].size() - 2));
  }
  std::sort(numbers.begin(), numbers.end());
  std::vector<std::string> expected{"long"};
  for (int i = 0; i < kLines; ++i) expected.push_back((i < 10 ? "0" : "") + std::to_string(i));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(numbers, expected);
}

TEST_F(UpdaterLogTest, FailedRotationEndsTheWriterAndDropsLaterLines) {
  UpdaterLog log(100);
  log.Open("qelUpdater");
  const std::string message = MessageForLineOf(60);
  log.Write(0, "T", 1, "F", "%s", message.c_str());
  const fs::path folder = LogFolder();
  ASSERT_TRUE(veska_test::WaitUntil([&] {
    const auto files = FilesIn(folder);
    return files.size() == 1 && fs::file_size(files[0]) == 60;
  }));
  // The next file has nowhere to go.
  const fs::path kept = data_ / "kept";
  fs::rename(folder, kept);
  veska_test::WriteFile(folder, "not a folder");

  log.Write(0, "T", 1, "F", "%s", message.c_str());
  log.Write(0, "T", 1, "F", "%s", message.c_str());
  log.Shutdown();
  const auto keptFiles = FilesIn(kept);
  ASSERT_EQ(keptFiles.size(), 1u);
  EXPECT_EQ(fs::file_size(keptFiles[0]), 60u);
  EXPECT_EQ(ReadFile(folder), "not a folder");
}

TEST_F(UpdaterLogTest, LinesFromTwoThreadsComeOutWholeAndInOrder) {
  UpdaterLog log;
  log.Open("qelUpdater");
  constexpr int kLinesPerThread = 2000;
  const std::string padding(300, 'p');
  auto writeLines = [&](int thread) {
    for (int i = 0; i < kLinesPerThread; ++i) {
      log.Write(0, "T", thread, "F", "%d %d %s", thread, i, padding.c_str());
    }
  };
  std::thread first(writeLines, 1);
  std::thread second(writeLines, 2);
  first.join();
  second.join();
  log.Shutdown();

  std::map<int, int> next{{1, 0}, {2, 0}};
  const auto lines = LinesOfOnlyFile();
  ASSERT_EQ(lines.size(), 2u * kLinesPerThread);
  for (const auto& line : lines) {
    const std::string fields = AfterTimeStamp(line);
    int thread = 0;
    ASSERT_EQ(std::sscanf(fields.c_str(), "|0|T|%d|F|", &thread), 1) << line;
    ASSERT_TRUE(thread == 1 || thread == 2) << line;
    ASSERT_EQ(fields, "|0|T|" + std::to_string(thread) + "|F|" + std::to_string(thread) + " " +
                          std::to_string(next[thread]) + " " + padding);
    ++next[thread];
  }
}

TEST_F(UpdaterLogTest, QueuedLinesAreWrittenWhenTheProcessReturnsFromMain) {
  const fs::path program = veska_test::InstallAs(VESKA_LOG_EXIT_PROGRAM, data_ / "bin", "Updater.exe");
  const auto run = veska_test::RunProgram(program, {"5000"}, {"XDG_DATA_HOME=" + data_.str()});
  ASSERT_EQ(run.exit_code, 0) << run.err;

  // "Updater.exe" logs into the folder "Updater".
  const auto files = FilesIn(data_.path() / "trvo" / "logs" / "Updater" / "Updater");
  ASSERT_EQ(files.size(), 1u);
  const auto lines = SplitLines(ReadFile(files[0]));
  ASSERT_EQ(lines.size(), 5000u);
  EXPECT_TRUE(lines.back().ends_with("|main|line 4999")) << lines.back();
}

}  // namespace
