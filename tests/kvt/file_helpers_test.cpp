// File creation, folders, copies, moves, tree removal and file facts, on
// real files; the "users" entries are read back with getfacl.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "acl_tools.h"
#include "file_time_text.h"
#include "kvt.h"
#include "platform/text.h"
#include "support/files.h"
#include "support/named_program.h"
#include "support/run_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "windows_version.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

std::u16string W(const fs::path& path) { return platform::Utf8ToUtf16(path.string()); }

constexpr const char* kUsersEntry = "group:users:rwx";

bool HasUsersEntry(const fs::path& path) {
  return kvt_test::WithPrefix(kvt_test::AclLines(path), "group:users:") == Lines{kUsersEntry};
}

class FileHelpersTest : public testing::Test {
 protected:
  void SetUp() override { SetWindowsVersionSourcesForTesting(DefaultWindowsVersionSources()); }
  void TearDown() override { SetWindowsVersionSourcesForTesting(DefaultWindowsVersionSources()); }

  KvtHANDLE Create(const fs::path& path, std::uint32_t access, std::uint32_t disposition, bool create_folders,
                   std::uint32_t share = 0) {
    return KvtCreateFileW(W(path).c_str(), access, share, nullptr, disposition, 0, nullptr, create_folders);
  }
  static void Close(KvtHANDLE handle) { close(static_cast<int>(reinterpret_cast<std::intptr_t>(handle))); }

  // Another program holding `path` with a share mode ("none", or r, w, d).
  veska_test::ChildProcess Hold(const fs::path& path, const std::string& share) {
    const fs::path marker = dir_ / ("held-" + std::to_string(++holders_));
    veska_test::ChildProcess holder(VESKA_KVT_FILE_HOLDER, {path.string(), marker.string(), share});
    EXPECT_TRUE(veska_test::WaitUntil([&] { return fs::exists(marker); })) << "holder did not start";
    return holder;
  }

  veska_test::TempDir dir_;
  veska_test::ScopedEnv machine_dir_{"VESKA_REGISTRY_MACHINE_DIR", dir_.str()};
  int holders_ = 0;
};

TEST_F(FileHelpersTest, CreateAlwaysMakesMissingFoldersOnlyWhenAsked) {
  const fs::path file = dir_ / "one" / "two" / "file.txt";
  EXPECT_EQ(Create(file, KVT_GENERIC_WRITE, KVT_CREATE_ALWAYS, false), KVT_INVALID_HANDLE_VALUE);
  EXPECT_FALSE(fs::exists(dir_ / "one"));

  KvtHANDLE handle = Create(file, KVT_GENERIC_WRITE, KVT_CREATE_ALWAYS, true);
  ASSERT_NE(handle, KVT_INVALID_HANDLE_VALUE);
  const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(handle));
  EXPECT_EQ(write(fd, "abc", 3), 3);
  Close(handle);
  EXPECT_EQ(veska_test::ReadFile(file), "abc");

  KVT_SKIP_WITHOUT_ACLS(dir_.path());
  for (const fs::path& made : {dir_ / "one", dir_ / "one" / "two", file}) {
    EXPECT_TRUE(HasUsersEntry(made)) << made;
  }
  EXPECT_EQ(kvt_test::WithPrefix(kvt_test::AclLines(dir_ / "one"), "default:group:users:"),
            Lines{"default:group:users:rwx"});
}

TEST_F(FileHelpersTest, OpensThatCannotCreateNeverMakeFolders) {
  for (std::uint32_t access : {KVT_GENERIC_WRITE, 0x2u /* FILE_WRITE_DATA */}) {
    for (std::uint32_t disposition : {KVT_OPEN_EXISTING, KVT_TRUNCATE_EXISTING}) {
      EXPECT_EQ(Create(dir_ / "missing" / "file.txt", access, disposition, true), KVT_INVALID_HANDLE_VALUE);
      EXPECT_FALSE(fs::exists(dir_ / "missing")) << access << " " << disposition;
    }
  }
  // A path the 260-character copy cannot hold is refused, not cut short.
  const fs::path deep = dir_ / std::string(250, 'd') / "file.txt";
  EXPECT_EQ(Create(deep, KVT_GENERIC_WRITE, KVT_CREATE_ALWAYS, true), KVT_INVALID_HANDLE_VALUE);
  EXPECT_FALSE(fs::exists(dir_ / std::string(250, 'd')));
}

TEST_F(FileHelpersTest, DispositionsAndShareModes) {
  const fs::path file = dir_ / "file.txt";
  EXPECT_EQ(Create(file, KVT_GENERIC_READ, KVT_OPEN_EXISTING, false), KVT_INVALID_HANDLE_VALUE);
  KvtHANDLE created = Create(file, KVT_GENERIC_WRITE, KVT_CREATE_NEW, false);
  ASSERT_NE(created, KVT_INVALID_HANDLE_VALUE);
  EXPECT_EQ(write(static_cast<int>(reinterpret_cast<std::intptr_t>(created)), "data", 4), 4);

  // Held without sharing: every other open is refused.
  EXPECT_EQ(Create(file, KVT_GENERIC_READ, KVT_OPEN_EXISTING, false, KVT_FILE_SHARE_READ | KVT_FILE_SHARE_WRITE),
            KVT_INVALID_HANDLE_VALUE);
  Close(created);
  EXPECT_EQ(Create(file, KVT_GENERIC_WRITE, KVT_CREATE_NEW, false), KVT_INVALID_HANDLE_VALUE);

  KvtHANDLE reader = Create(file, KVT_GENERIC_READ, KVT_OPEN_ALWAYS, false, KVT_FILE_SHARE_READ);
  ASSERT_NE(reader, KVT_INVALID_HANDLE_VALUE);
  EXPECT_EQ(veska_test::ReadFile(file), "data") << "OPEN_ALWAYS keeps the contents";
  KvtHANDLE second = Create(file, KVT_GENERIC_READ, KVT_OPEN_EXISTING, false, KVT_FILE_SHARE_READ);
  EXPECT_NE(second, KVT_INVALID_HANDLE_VALUE) << "both share reading";
  EXPECT_EQ(Create(file, KVT_GENERIC_WRITE, KVT_TRUNCATE_EXISTING, false, KVT_FILE_SHARE_READ),
            KVT_INVALID_HANDLE_VALUE)
      << "the readers do not share writing";
  Close(second);
  Close(reader);
  KvtHANDLE truncated = Create(file, KVT_GENERIC_WRITE, KVT_TRUNCATE_EXISTING, false);
  ASSERT_NE(truncated, KVT_INVALID_HANDLE_VALUE);
  Close(truncated);
  EXPECT_EQ(fs::file_size(file), 0u);

  EXPECT_EQ(Create(file, KVT_GENERIC_READ, 9, false), KVT_INVALID_HANDLE_VALUE) << "no such disposition";
  EXPECT_EQ(Create(dir_.path(), KVT_GENERIC_READ, KVT_OPEN_EXISTING, false), KVT_INVALID_HANDLE_VALUE)
      << "no handle to a folder";
  ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0600), 0);
  EXPECT_TRUE(IsFileWritable(W(dir_ / "fifo").c_str()));
  KvtHANDLE fifo = Create(dir_ / "fifo", KVT_GENERIC_READ, KVT_OPEN_EXISTING, false, KVT_FILE_SHARE_READ);
  ASSERT_NE(fifo, KVT_INVALID_HANDLE_VALUE) << "opened without waiting for a writer";
  Close(fifo);
  KvtHANDLE narrow = KvtCreateFileA((dir_ / "narrow.txt").c_str(), KVT_GENERIC_WRITE, 0, nullptr,
                                    KVT_CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(narrow, KVT_INVALID_HANDLE_VALUE);
  Close(narrow);
  EXPECT_TRUE(fs::is_regular_file(dir_ / "narrow.txt"));
}

TEST_F(FileHelpersTest, PathCreateDirectoryFromFileBothWays) {
  const fs::path existing = dir_ / "existing";
  fs::create_directory(existing);
  EXPECT_NE(PathCreateDirectoryFromFile(W(existing / "file.txt").c_str()), 0);
  EXPECT_TRUE(fs::is_empty(existing)) << "creates nothing";

  const fs::path missing = dir_ / "a" / "b";
  EXPECT_EQ(PathCreateDirectoryFromFile(W(missing / "file.txt").c_str()), 0);
  EXPECT_TRUE(fs::is_directory(missing));
  EXPECT_FALSE(fs::exists(missing / "file.txt"));

  const std::string long_name(255, 'l');
  EXPECT_EQ(PathCreateDirectoryFromFile(W(dir_ / "x" / long_name / "f").c_str()), 0);
  EXPECT_FALSE(fs::exists(dir_ / "x"));
  EXPECT_EQ(PathCreateDirectoryFromFile(u"no-folder.txt"), 0);
}

TEST_F(FileHelpersTest, DirectoryCreation) {
  EXPECT_EQ(KvtCreateDirectoryW(W(dir_ / "p" / "q").c_str(), false), 0);
  EXPECT_FALSE(fs::exists(dir_ / "p"));
  EXPECT_NE(KvtCreateDirectoryW(W(dir_ / "p" / "q").c_str(), true), 0);
  EXPECT_TRUE(fs::is_directory(dir_ / "p" / "q"));
  EXPECT_EQ(KvtCreateDirectoryW(W(dir_ / "p").c_str(), true), 0) << "already there";
  EXPECT_NE(KvtCreateDirectoryA((dir_ / "narrow").c_str()), 0);

  const fs::path before = fs::current_path();
  fs::current_path(dir_.path());
  PathCreateDirectory(u"rel/ative/path");
  fs::current_path(before);
  EXPECT_TRUE(fs::is_directory(dir_ / "rel" / "ative" / "path"));

  KVT_SKIP_WITHOUT_ACLS(dir_.path());
  for (const fs::path& made : {dir_ / "p", dir_ / "p" / "q", dir_ / "narrow", dir_ / "rel" / "ative"}) {
    EXPECT_TRUE(HasUsersEntry(made)) << made;
  }
}

TEST_F(FileHelpersTest, UsersAccessOnlyFromVistaOn) {
  KVT_SKIP_WITHOUT_ACLS(dir_.path());
  SetWindowsVersionSourcesForTesting({[] { return WindowsVersion{5, 1}; }, {}, {}});
  ASSERT_NE(KvtCreateDirectoryW(W(dir_ / "xp").c_str(), false), 0);
  EXPECT_TRUE(kvt_test::WithPrefix(kvt_test::AclLines(dir_ / "xp"), "group:users:").empty());
}

TEST_F(FileHelpersTest, CopyAndMove) {
  KVT_SKIP_WITHOUT_ACLS(dir_.path());
  const fs::path source = dir_ / "source.txt";
  veska_test::WriteFile(source, "payload");
  ASSERT_NE(KvtCopyFile(W(source).c_str(), W(dir_ / "copy.txt").c_str(), 1), 0);
  EXPECT_EQ(veska_test::ReadFile(dir_ / "copy.txt"), "payload");
  EXPECT_TRUE(HasUsersEntry(dir_ / "copy.txt"));
  EXPECT_EQ(KvtCopyFile(W(source).c_str(), W(dir_ / "copy.txt").c_str(), 1), 0) << "fail if exists";
  EXPECT_NE(KvtCopyFile(W(source).c_str(), W(dir_ / "copy.txt").c_str(), 0), 0);

  // Same first character: the moved file keeps its access list.
  EXPECT_NE(KvtMoveFile(W(source).c_str(), W(dir_ / "moved.txt").c_str()), 0);
  EXPECT_TRUE(kvt_test::WithPrefix(kvt_test::AclLines(dir_ / "moved.txt"), "group:users:").empty());
  EXPECT_EQ(KvtMoveFile(W(dir_ / "moved.txt").c_str(), W(dir_ / "copy.txt").c_str()), 0) << "target exists";

  // Differing first characters count as another drive.
  const fs::path before = fs::current_path();
  fs::current_path(dir_.path());
  const int32_t moved = KvtMoveFile(u"moved.txt", W(dir_ / "other drive.txt").c_str());
  fs::current_path(before);
  EXPECT_NE(moved, 0);
  EXPECT_TRUE(HasUsersEntry(dir_ / "other drive.txt"));

  EXPECT_NE(KvtMoveFileEx(W(dir_ / "other drive.txt").c_str(), W(dir_ / "copy.txt").c_str(),
                          KVT_MOVEFILE_REPLACE_EXISTING),
            0);
  EXPECT_EQ(veska_test::ReadFile(dir_ / "copy.txt"), "payload");
  fs::create_directory(dir_ / "folder");
  EXPECT_EQ(KvtMoveFileEx(W(dir_ / "copy.txt").c_str(), W(dir_ / "folder").c_str(), KVT_MOVEFILE_REPLACE_EXISTING),
            0)
      << "never over a folder";
  EXPECT_EQ(KvtMoveFileEx(W(dir_ / "copy.txt").c_str(), W(dir_ / "later.txt").c_str(),
                          KVT_MOVEFILE_DELAY_UNTIL_REBOOT),
            0);
  EXPECT_EQ(KvtMoveFile(nullptr, W(dir_ / "x").c_str()), 0);
  EXPECT_EQ(KvtMoveFileEx(W(dir_ / "copy.txt").c_str(), nullptr, 0), 0);
  EXPECT_TRUE(fs::exists(dir_ / "copy.txt"));
}

TEST_F(FileHelpersTest, AFileHeldWithoutDeleteSharingStaysWhereItIs) {
  const fs::path file = dir_ / "held.txt";
  veska_test::WriteFile(file, "x");
  auto holder = Hold(file, "rw");
  EXPECT_EQ(KvtMoveFile(W(file).c_str(), W(dir_ / "elsewhere.txt").c_str()), 0);
  EXPECT_TRUE(fs::exists(file));
  holder.Kill();
  holder.WaitExit();
  EXPECT_NE(KvtMoveFile(W(file).c_str(), W(dir_ / "elsewhere.txt").c_str()), 0);
}

// A tree: top/{a.txt, sub/{b.txt, deeper/c.txt}, link-out -> outside, link-file -> outside/keep.txt}
struct Tree {
  explicit Tree(const fs::path& root, const fs::path& outside) : top(root / "top") {
    fs::create_directories(top / "sub" / "deeper");
    veska_test::WriteFile(top / "a.txt", "a");
    veska_test::WriteFile(top / "sub" / "b.txt", "b");
    veska_test::WriteFile(top / "sub" / "deeper" / "c.txt", "c");
    fs::create_directory_symlink(outside, top / "link-out");
    fs::create_symlink(outside / "keep.txt", top / "sub" / "link-file");
  }
  fs::path top;
};

TEST_F(FileHelpersTest, RecurseRemoveDirectoryModes) {
  veska_test::TempDir outside;
  veska_test::WriteFile(outside / "keep.txt", "keep");
  fs::create_directory(outside / "keep-folder");

  {
    Tree tree(dir_.path(), outside.path());
    EXPECT_TRUE(RecurseRemoveDirectory(W(tree.top).c_str(), 1));
    EXPECT_TRUE(fs::is_directory(tree.top / "sub" / "deeper"));
    EXPECT_FALSE(fs::exists(tree.top / "a.txt"));
    EXPECT_FALSE(fs::exists(tree.top / "sub" / "deeper" / "c.txt"));
    EXPECT_FALSE(fs::is_symlink(tree.top / "link-out")) << "a link is removed as a link";
    EXPECT_TRUE(RecurseRemoveDirectory(W(tree.top.string() + "/").c_str(), 2)) << "one trailing / is ignored";
    EXPECT_FALSE(fs::exists(tree.top));
  }
  {
    Tree tree(dir_.path(), outside.path());
    EXPECT_FALSE(RecurseRemoveDirectory(W(tree.top).c_str(), 2)) << "files stop the folders' removal";
    EXPECT_TRUE(fs::exists(tree.top / "a.txt"));
    EXPECT_TRUE(RecurseRemoveDirectory(W(tree.top).c_str(), 0));
    EXPECT_FALSE(fs::exists(tree.top));
  }
  EXPECT_EQ(veska_test::ReadFile(outside / "keep.txt"), "keep");
  EXPECT_TRUE(fs::is_directory(outside / "keep-folder"));

  // A path that is itself a link to a folder outside is not followed.
  fs::create_directory_symlink(outside.path(), dir_ / "link-top");
  EXPECT_FALSE(RecurseRemoveDirectory(W(dir_ / "link-top").c_str(), 0));
  EXPECT_TRUE(fs::exists(outside / "keep.txt"));

  fs::create_directory(dir_ / "victim");
  EXPECT_FALSE(RecurseRemoveDirectory(W(dir_.str() + "/victim\\").c_str(), 0)) << "a backslash is part of the name";
  EXPECT_TRUE(fs::is_directory(dir_ / "victim"));
  EXPECT_FALSE(RecurseRemoveDirectory(W(dir_ / "missing").c_str(), 0));
  EXPECT_FALSE(RecurseRemoveDirectory(u"/", 0));
  EXPECT_FALSE(RecurseRemoveDirectory(u"//", 0)) << "never the whole file system";
  EXPECT_FALSE(RecurseRemoveDirectory(W(dir_.path()).c_str(), 3));
  EXPECT_FALSE(RecurseRemoveDirectory(W(dir_ / std::string(255, 'x')).c_str(), 0)) << "over 260 characters";
}

// Another file system mounted inside the tree is neither entered nor
// removed, and the removal says it could not finish.
TEST_F(FileHelpersTest, RecurseRemoveLeavesAMountPointAlone) {
  for (const char* mode : {"0", "1"}) {
    const fs::path top = dir_ / (std::string("top") + mode);
    const auto run = veska_test::RunProgram(VESKA_KVT_MOUNT_POINT_PROBE, {top.string(), mode});
    if (run.exit_code == 77) GTEST_SKIP() << "no mount namespace here: " << run.err;
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "result=0 inside=1 mounted=1 outside=0\n") << "mode " << mode;
  }
}

TEST_F(FileHelpersTest, RecurseRemoveReportsAFailureThatALaterSuccessFollows) {
  const fs::path top = dir_ / "top";
  fs::create_directory(top);
  for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) veska_test::WriteFile(top / name, name);
  auto holder = Hold(top / "b.txt", "rw");
  EXPECT_FALSE(RecurseRemoveDirectory(W(top).c_str(), 1));
  EXPECT_EQ(veska_test::FilesIn(top), std::vector<fs::path>{top / "b.txt"});
}

TEST_F(FileHelpersTest, IsFileWritable) {
  const fs::path file = dir_ / "file.txt";
  veska_test::WriteFile(file, "x");
  EXPECT_TRUE(IsFileWritable(W(file).c_str()));
  EXPECT_TRUE(IsFileWritable(W(dir_ / "missing.txt").c_str())) << "a missing file counts as writable";
  EXPECT_FALSE(IsFileWritable(W(dir_ / "no-folder" / "file.txt").c_str())) << "a missing folder does not";
  EXPECT_FALSE(IsFileWritable(W(dir_.path()).c_str()));
  {
    auto holder = Hold(file, "none");
    EXPECT_FALSE(IsFileWritable(W(file).c_str()));
  }
  auto reader = Hold(file, "rwd");
  EXPECT_FALSE(IsFileWritable(W(file).c_str())) << "another handle, however shared, stops an exclusive open";
}

TEST_F(FileHelpersTest, FileSizeIsSixtyFourBits) {
  const fs::path file = dir_ / "sparse.bin";
  veska_test::WriteFile(file, "");
  fs::resize_file(file, (std::uint64_t{5} << 30) + 7);
  std::uint64_t size = 0;
  EXPECT_TRUE(KvtGetFileSize(W(file).c_str(), &size));
  EXPECT_EQ(size, (std::uint64_t{5} << 30) + 7);
  EXPECT_TRUE(KvtGetFileSize(W(dir_.path()).c_str(), &size));
  EXPECT_EQ(size, 0u);
  EXPECT_FALSE(KvtGetFileSize(W(dir_ / "missing").c_str(), &size));
  EXPECT_FALSE(KvtGetFileSize(W(file).c_str(), nullptr));
}

TEST(FileTimeTextTest, NoLeadingZeros) {
  std::tm time{};
  time.tm_year = 2021 - 1900;
  time.tm_mon = 2;
  time.tm_mday = 5;
  time.tm_hour = 7;
  time.tm_min = 3;
  time.tm_sec = 9;
  EXPECT_EQ(FileTimeText(time, true), u"2021-3-5");
  EXPECT_EQ(FileTimeText(time, false), u"2021-3-5 7:3:9");
}

// The local zone for the life of the object; the C library reads TZ again
// only when asked.
class LocalZone {
 public:
  explicit LocalZone(const std::string& zone) : zone_(std::in_place, "TZ", zone) { tzset(); }
  ~LocalZone() {
    zone_.reset();
    tzset();
  }

 private:
  std::optional<veska_test::ScopedEnv> zone_;
};

// The birth time as the coreutils stat reads it (0 where the file system
// keeps none), else the modification time set with touch.
TEST_F(FileHelpersTest, GetFileTimeStringGivesTheLocalCreationDate) {
  LocalZone zone("Asia/Shanghai");
  const fs::path file = dir_ / "file.txt";
  veska_test::WriteFile(file, "x");
  ASSERT_EQ(veska_test::RunProgram("/usr/bin/touch", {"-m", "-d", "2021-03-04 20:30:00 UTC", file.string()}).exit_code,
            0);
  const auto birth = veska_test::RunProgram("/usr/bin/stat", {"-c", "%W", file.string()});
  ASSERT_EQ(birth.exit_code, 0);
  const long long born = birth.out.starts_with("-") ? 0 : std::stoll(birth.out);

  char16_t date[32] = {};
  char16_t full[32] = {};
  ASSERT_TRUE(GetFileTimeString(W(file).c_str(), true, date, 32));
  ASSERT_TRUE(GetFileTimeString(W(file).c_str(), false, full, 32));
  if (born == 0) {
    // 20:30 UTC on the 4th is 04:30 on the 5th in Shanghai.
    EXPECT_EQ(std::u16string(date), u"2021-3-5");
    EXPECT_EQ(std::u16string(full), u"2021-3-5 4:30:0");
  } else {
    const std::time_t moment = static_cast<std::time_t>(born);
    std::tm local{};
    localtime_r(&moment, &local);
    EXPECT_EQ(std::u16string(date), FileTimeText(local, true));
    EXPECT_EQ(std::u16string(full), FileTimeText(local, false));
  }
  char16_t small[6] = {};
  ASSERT_TRUE(GetFileTimeString(W(file).c_str(), true, small, 6));
  EXPECT_EQ(std::u16string(small).size(), 5u) << "cut to count - 1";
  EXPECT_FALSE(GetFileTimeString(W(dir_ / "missing").c_str(), true, date, 32));
  EXPECT_FALSE(GetFileTimeString(W(file).c_str(), true, nullptr, 32));
  EXPECT_FALSE(GetFileTimeString(W(file).c_str(), true, date, 0));
}

}  // namespace
}  // namespace kvt
