#include <gnu/libc-version.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>

#include <gtest/gtest.h>

#include "platform/folders.h"
#include "support/files.h"
#include "support/named_program.h"
#include "support/run_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using veska_test::ScopedEnv;
using veska_test::TempDir;

TEST(FoldersTest, LocalAppDataFolderFollowsXdgDataHomeOnlyWhenAbsolute) {
  TempDir temp;
  const std::string home = temp.str() + "/home";
  const struct {
    std::optional<std::string> xdg_data_home;
    std::string expected;
  } cases[] = {
      {temp.str() + "/data/deep/", temp.str() + "/data/deep"},  // missing, with a trailing "/"
      {std::nullopt, home + "/.local/share"},
      {"relative/data", home + "/.local/share"},
      {"", home + "/.local/share"},
  };
  ScopedEnv home_env("HOME", home);
  for (const auto& c : cases) {
    ScopedEnv xdg("XDG_DATA_HOME", c.xdg_data_home);
    auto folder = platform::LocalAppDataFolder();
    ASSERT_TRUE(folder.ok()) << folder.error().Describe();
    EXPECT_EQ(*folder, c.expected);
    EXPECT_TRUE(fs::is_directory(c.expected)) << "created when missing";
  }
  EXPECT_FALSE(fs::exists(fs::current_path() / "relative")) << "a relative root is never used";
}

TEST(FoldersTest, LocalAppDataFolderThatIsAFileIsAnError) {
  TempDir temp;
  veska_test::WriteFile(temp / "file", "x");
  ScopedEnv xdg("XDG_DATA_HOME", temp.str() + "/file");
  EXPECT_FALSE(platform::LocalAppDataFolder().ok());
}

TEST(FoldersTest, MachineWideFolderIsCreatedOpenToEveryoneAndSticky) {
  TempDir temp;
  const std::string machine = temp.str() + "/a/machine";
  ScopedEnv env("VESKA_MACHINE_DIR", machine);
  auto folder = platform::MachineWideFolder();
  ASSERT_TRUE(folder.ok()) << folder.error().Describe();
  EXPECT_EQ(*folder, machine);
  struct stat info {};
  ASSERT_EQ(stat(machine.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 01777u);
}

// Another user could redirect or delete the names kept in such a folder.
TEST(FoldersTest, MachineWideFolderRefusesLinksAndUnprotectedSharedFolders) {
  TempDir temp;
  fs::create_directory(temp / "real");
  fs::permissions(temp / "real", fs::perms(01777));
  fs::create_directory_symlink(temp / "real", temp / "link");
  fs::create_directory(temp / "open");
  fs::permissions(temp / "open", fs::perms(0777));
  for (const char* name : {"link", "open"}) {
    ScopedEnv env("VESKA_MACHINE_DIR", (temp / name).string());
    EXPECT_FALSE(platform::MachineWideFolder().ok()) << name;
  }
  ScopedEnv env("VESKA_MACHINE_DIR", (temp / "real").string());
  EXPECT_TRUE(platform::MachineWideFolder().ok());
}

// The helper prints its own executable path, its folder and the module path
// of its main function, one per line.
TEST(FoldersTest, OwnPathsNameTheRunningExecutable) {
  TempDir temp;
  const auto program = veska_test::InstallAs(VESKA_PLATFORM_HELPER, temp / "in stall", "launch.exe");
  const auto run = veska_test::RunProgram(program, {"own-paths"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::string expected = program.string() + "\n" + (temp / "in stall").string() + "\n" +
                               program.string() + "\n";
  EXPECT_EQ(run.out, expected);
}

// An update replaces the program file while it runs; its path stays the same.
TEST(FoldersTest, OwnPathIsKeptAfterTheFileIsReplaced) {
  TempDir temp;
  const auto program = veska_test::InstallAs(VESKA_PLATFORM_HELPER, temp.path(), "launch.exe");
  const auto run = veska_test::RunProgram(program, {"own-paths-after-delete"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out.substr(0, run.out.find('\n')), program.string());
}

TEST(FoldersTest, ModulePathOfASharedLibraryIsItsAbsolutePath) {
  auto path = platform::ModulePathOf(reinterpret_cast<const void*>(&gnu_get_libc_version));
  ASSERT_TRUE(path.ok()) << path.error().Describe();
  EXPECT_EQ(path->front(), '/');
  EXPECT_EQ(fs::path(*path).filename(), "libc.so.6");
  EXPECT_TRUE(fs::exists(*path));

  EXPECT_FALSE(platform::ModulePathOf(nullptr).ok());
}

TEST(FoldersTest, CurrentDirectoryCanBeChangedAndReadBack) {
  TempDir temp;
  const auto before = platform::CurrentDirectory();
  ASSERT_TRUE(before.ok());
  ASSERT_TRUE(platform::SetCurrentDirectory(temp.str()).ok());
  EXPECT_EQ(*platform::CurrentDirectory(), temp.str());

  const auto missing = platform::SetCurrentDirectory(temp.str() + "/missing");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().code, ENOENT);
  EXPECT_EQ(*platform::CurrentDirectory(), temp.str()) << "a failed change keeps the folder";
  ASSERT_TRUE(platform::SetCurrentDirectory(*before).ok());
}

}  // namespace
