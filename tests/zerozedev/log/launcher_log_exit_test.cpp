// The process's log in a real process: where its file goes, and that records
// still queued when the process ends normally are written.

#include <gtest/gtest.h>

#include <string>

#include "support/named_program.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "tests/zerozedev/log/log_folder_files.h"

namespace {

TEST(LauncherLogExitTest, QueuedRecordsReachTheProgramsLogFolderBeforeTheProcessEnds) {
  constexpr int kRecords = 5000;
  const struct {
    const char* programName;
    const char* ending;
    const char* folder;  // below <data>/trvo/logs/zerozedev
  } cases[] = {
      {"VeskaLogProbe.exe", "return", "veskalogprobe"},
      {"a.b.exe", "exit", "a"},  // "a.b" loses its last dot-part as a folder name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.programName);
    veska_test::TempDir dir;
    const auto program = veska_test::InstallAs(LAUNCHER_LOG_CHILD, dir / "bin", c.programName);
    const auto run = veska_test::RunProgram(program, {std::to_string(kRecords), c.ending},
                                            {"XDG_DATA_HOME=" + (dir / "data").string()});
    ASSERT_EQ(run.exit_code, 0) << run.err;

    const auto folder = dir / "data" / "trvo" / "logs" / "zerozedev" / c.folder;
    ASSERT_EQ(launcher_log_test::OnlyProgramFolder(dir / "data", "zerozedev"), folder);
    const auto lines = launcher_log_test::AllLines(folder);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kRecords));
    for (int i = 0; i < kRecords; ++i) {
      ASSERT_EQ(launcher_log_test::MessageOf(lines[i]), "record " + std::to_string(i)) << "line " << i;
    }
  }
}

}  // namespace
