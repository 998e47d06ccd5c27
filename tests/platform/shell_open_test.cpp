#include "platform/shell_open.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "platform/process.h"
#include "support/files.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/wait.h"

namespace {

namespace fs = std::filesystem;

TEST(ShellOpenTest, AQuotedArgumentSplitsBackIntoItself) {
  for (const std::string argument : {"", "plain", "a b", "say \"hi\"", "ends in \\", "\\\\server\\share\\",
                                     "a\\\"b", "https://veska.example/x?a=1&b=\"2\""}) {
    const auto split = platform::SplitCommandLine("prog " + platform::QuoteCommandLineArgument(argument));
    ASSERT_EQ(split.size(), 2u) << argument;
    EXPECT_EQ(split[1], argument);
  }
}

class ShellOpenRunTest : public ::testing::Test {
 protected:
  // A program that notes its arguments, one per line, in <its path>.args.
  fs::path Recorder(const std::string& name) const {
    const fs::path program = dir_ / name;
    veska_test::WriteFile(program, "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"$0.args\"\n");
    fs::permissions(program, fs::perms::owner_all);
    return program;
  }
  std::string ArgsOf(const fs::path& program) const {
    const fs::path args = program.string() + ".args";
    veska_test::WaitUntil([&] { return fs::exists(args) && fs::file_size(args) > 0; });
    return fs::exists(args) ? veska_test::ReadFile(args) : "(not started)";
  }

  veska_test::TempDir dir_;
  veska_test::ScopedEnv path_{"PATH", dir_.str() + ":" + getenv("PATH")};
};

TEST_F(ShellOpenRunTest, AProgramStartsWithItsParameters) {
  const fs::path program = Recorder("VESKALaunch.exe");
  ASSERT_TRUE(platform::ShellOpen(program.string(), "abc \"veska://room?id=1 x\"").ok());
  EXPECT_EQ(ArgsOf(program), "abc\nveska://room?id=1 x\n");
}

TEST_F(ShellOpenRunTest, AnAddressOrADocumentGoesToTheDefaultHandler) {
  const fs::path handler = Recorder("xdg-open");
  ASSERT_TRUE(platform::ShellOpen("https://www.veska.example/download", "ignored").ok());
  EXPECT_EQ(ArgsOf(handler), "https://www.veska.example/download\n");
  fs::remove(handler.string() + ".args");
  veska_test::WriteFile(dir_ / "notes.txt", "text");
  ASSERT_TRUE(platform::ShellOpen((dir_ / "notes.txt").string()).ok());
  EXPECT_EQ(ArgsOf(handler), (dir_ / "notes.txt").string() + "\n");
}

TEST_F(ShellOpenRunTest, AMissingFileIsAnError) {
  const platform::Status opened = platform::ShellOpen((dir_ / "VESKALaunch.exe").string(), "x");
  ASSERT_FALSE(opened.ok());
  EXPECT_EQ(opened.error().code, ENOENT);
}

}  // namespace
