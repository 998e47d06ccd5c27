#include "platform/private_files.h"

#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/scoped_umask.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using veska_test::ReadFile;
using veska_test::WriteFile;

unsigned ModeOf(const fs::path& path) {
  return static_cast<unsigned>(fs::symlink_status(path).permissions() & fs::perms::mask);
}

TEST(PrivateFilesTest, FoldersAreMadeOrNarrowedToTheUserAlone) {
  const veska_test::ScopedUmask usual(022);
  const veska_test::TempDir root;
  fs::create_directory(root / "open");
  fs::permissions(root / "open", fs::perms(0755));
  fs::create_directory(root / "elsewhere");
  fs::permissions(root / "elsewhere", fs::perms(0750));
  fs::create_directory_symlink(root / "elsewhere", root / "link");
  WriteFile(root / "file", "x");

  const struct {
    const char* name;
    bool made;
    unsigned mode;
  } cases[] = {
      {"new", true, 0700},
      {"open", true, 0700},
      {"link", true, 0777},  // the link itself; the folder it names keeps its mode
      {"file", false, 0644},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::MakePrivateFolder((root / c.name).string()).ok(), c.made) << c.name;
    EXPECT_EQ(ModeOf(root / c.name), c.mode) << c.name;
  }
  EXPECT_EQ(ModeOf(root / "elsewhere"), 0750u);

  const auto made = platform::MakePrivateFolders(root.str(), "a/b//c");
  ASSERT_TRUE(made);
  EXPECT_EQ(*made, (root / "a" / "b" / "c").string());
  for (const char* path : {"a", "a/b", "a/b/c"}) EXPECT_EQ(ModeOf(root / path), 0700u) << path;
  EXPECT_FALSE(platform::MakePrivateFolders(root.str(), "file/below"));
}

TEST(PrivateFilesTest, FilesAreNewOrReplacedAndReadableByTheUserAlone) {
  const veska_test::ScopedUmask usual(022);
  const veska_test::TempDir root;
  WriteFile(root / "old", "old content");
  fs::permissions(root / "old", fs::perms(0644));

  auto fresh = platform::CreatePrivateFile((root / "new").string(), platform::PrivateFileCreation::kNew);
  ASSERT_TRUE(fresh);
  std::fputs("written", fresh->get());
  fresh->reset();
  EXPECT_EQ(ReadFile(root / "new"), "written");
  EXPECT_EQ(ModeOf(root / "new"), 0600u);

  const auto taken = platform::CreatePrivateFile((root / "old").string(), platform::PrivateFileCreation::kNew);
  ASSERT_FALSE(taken);
  EXPECT_EQ(taken.error().code, EEXIST);
  EXPECT_EQ(ReadFile(root / "old"), "old content");

  ASSERT_TRUE(platform::CreatePrivateFile((root / "old").string(), platform::PrivateFileCreation::kReplace));
  EXPECT_EQ(ReadFile(root / "old"), "");
  EXPECT_EQ(ModeOf(root / "old"), 0600u);
}

}  // namespace
