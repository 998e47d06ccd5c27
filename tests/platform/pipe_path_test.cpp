#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "platform/pipe_path.h"
#include "support/files.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

using veska_test::ScopedEnv;
using veska_test::TempDir;

class PipePathTest : public testing::Test {
 protected:
  std::string PipeFolder() const { return runtime_.str() + "/veska/pipe"; }

  TempDir runtime_;
  ScopedEnv env_{"XDG_RUNTIME_DIR", runtime_.str()};
};

TEST_F(PipePathTest, PipeNamesMapToSocketsInThePrivatePipeFolder) {
  const struct {
    std::string_view pipe_name;
    std::string file_name;
  } cases[] = {
      {"\\\\.\\Pipe\\REZERU_veskaroom", "REZERU_veskaroom"},
      {"\\\\.\\pipe\\np.1234_5678", "np.1234_5678"},
      {"\\\\.\\PIPE\\x", "x"},
      {"\\\\.\\pipe\\BreakpadCrashServices\\veskaroom.exe", "BreakpadCrashServices\\veskaroom.exe"},
  };
  for (const auto& c : cases) {
    auto path = platform::PipeSocketPath(c.pipe_name);
    ASSERT_TRUE(path.ok()) << c.pipe_name << ": " << path.error().Describe();
    EXPECT_EQ(*path, PipeFolder() + "/" + c.file_name);
  }
  struct stat info {};
  ASSERT_EQ(stat(PipeFolder().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(PipePathTest, NamesThatAreNotPipesOrNotFileNamesAreRefused) {
  const std::string_view cases[] = {
      "REZERU_veskaroom",
      "\\\\.\\pipe\\",              // no name
      "\\\\?\\pipe\\x",             // other prefix
      "//./pipe/x",
      "\\\\.\\pipe\\a/b",           // would leave the folder
      "\\\\.\\pipe\\..",
      "\\\\.\\pipe\\.",
      std::string_view("\\\\.\\pipe\\a\0b", 12),  // cut short by the socket address
  };
  for (const auto name : cases) {
    EXPECT_FALSE(platform::PipeSocketPath(name).ok()) << testing::PrintToString(std::string(name));
  }
}

TEST_F(PipePathTest, SocketPathMustFitTheSocketAddress) {
  const size_t limit = sizeof(sockaddr_un::sun_path) - 1;  // room for the terminator
  const size_t longest_name = limit - (PipeFolder().size() + 1);
  auto fits = platform::PipeSocketPath("\\\\.\\pipe\\" + std::string(longest_name, 'n'));
  ASSERT_TRUE(fits.ok()) << fits.error().Describe();
  EXPECT_EQ(fits->size(), limit);

  auto too_long = platform::PipeSocketPath("\\\\.\\pipe\\" + std::string(longest_name + 1, 'n'));
  ASSERT_FALSE(too_long.ok());
  EXPECT_EQ(too_long.error().code, ENAMETOOLONG);
}

TEST(PipeRuntimeFolderTest, WithoutXdgRuntimeDirTheFolderIsPerUserInTmp) {
  const std::string expected = "/tmp/veska-" + std::to_string(geteuid());
  const bool existed = fs::exists(expected);
  for (const auto& value : {std::optional<std::string>(), std::optional<std::string>("rel")}) {
    ScopedEnv env("XDG_RUNTIME_DIR", value);
    auto folder = platform::PrivateRuntimeFolder();
    ASSERT_TRUE(folder.ok()) << folder.error().Describe();
    EXPECT_EQ(*folder, expected);
  }
  // Ours to remove only when we made it, and only while nothing uses it.
  if (!existed) rmdir(expected.c_str());
}

// We run as root, so "someone else" is uid 65534.
TEST_F(PipePathTest, FoldersOthersCouldReachAreRefused) {
  const std::string veska = runtime_.str() + "/veska";
  const struct {
    const char* setup;
    std::function<void()> prepare;
  } cases[] = {
      {"owned by another user", [&] { fs::create_directory(veska); ASSERT_EQ(chown(veska.c_str(), 65534, 65534), 0); }},
      {"open to others", [&] { fs::create_directory(veska); fs::permissions(veska, fs::perms(0755)); }},
      {"open to the group", [&] { fs::create_directory(veska); fs::permissions(veska, fs::perms(0730)); }},
      {"a link to a private folder", [&] { fs::create_directory(runtime_ / "elsewhere"); fs::permissions(runtime_ / "elsewhere", fs::perms(0700)); fs::create_directory_symlink(runtime_ / "elsewhere", veska); }},
      {"a file", [&] { veska_test::WriteFile(veska, "x"); }},
      {"pipe sub-folder open to others", [&] { fs::create_directories(veska + "/pipe"); fs::permissions(veska, fs::perms(0700)); fs::permissions(veska + "/pipe", fs::perms(0777)); }},
  };
  for (const auto& c : cases) {
    fs::remove_all(veska);
    fs::remove_all(runtime_ / "elsewhere");
    c.prepare();
    EXPECT_FALSE(platform::PipeSocketPath("\\\\.\\pipe\\x").ok()) << c.setup;
  }
  fs::remove_all(veska);
  EXPECT_TRUE(platform::PipeSocketPath("\\\\.\\pipe\\x").ok()) << "a fresh folder is made private";
}

}  // namespace
