// Share modes between handles of the platform layer, and the file operations
// that respect them, as the downloader's held-file paths need them.

#include "platform/shared_file.h"

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/temp_dir.h"
#include "test_package.h"

namespace {

using platform::FileDisposition;
using platform::SharedFile;

constexpr unsigned kRead = platform::kAccessRead;
constexpr unsigned kReadWrite = platform::kAccessRead | platform::kAccessWrite;

TEST(SharedFile, SecondOpenFollowsBothHandlesSharing) {
  veska_test::TempDir dir;
  const std::string path = (dir / "f").string();
  veska_test::WriteFile(path, "data");
  const struct {
    const char* why;
    unsigned holderAccess, holderShare, access, share;
    bool allowed;
  } cases[] = {
      {"both share everything", kReadWrite, platform::kShareRead | platform::kShareWrite, kReadWrite,
       platform::kShareRead | platform::kShareWrite, true},
      {"holder shares nothing", kRead, platform::kShareNone, kRead, platform::kShareRead, false},
      {"reader beside a read-sharing reader", kRead, platform::kShareRead, kRead, platform::kShareRead, true},
      {"writer beside a read-sharing reader", kRead, platform::kShareRead, kReadWrite,
       platform::kShareRead | platform::kShareWrite, false},
      {"exclusive open beside a reader", kRead, platform::kShareRead | platform::kShareWrite, kReadWrite,
       platform::kShareNone, false},
      {"reader that denies writing beside a writer", kReadWrite, platform::kShareRead | platform::kShareWrite,
       kRead, platform::kShareRead, false},
  };
  for (const auto& c : cases) {
    auto holder = SharedFile::Open(path, c.holderAccess, c.holderShare, FileDisposition::kOpenExisting);
    ASSERT_TRUE(holder) << c.why;
    auto second = SharedFile::Open(path, c.access, c.share, FileDisposition::kOpenExisting);
    EXPECT_EQ(second.ok(), c.allowed) << c.why;
    if (!second.ok()) {
      EXPECT_TRUE(platform::IsSharingViolation(second.error())) << c.why;
    }
  }
  // Every handle is gone: an exclusive open succeeds again.
  EXPECT_TRUE(SharedFile::Open(path, kReadWrite, platform::kShareNone, FileDisposition::kOpenExisting));
}

TEST(SharedFile, ARefusedCreateLeavesTheHeldFileWhole) {
  veska_test::TempDir dir;
  const std::string path = (dir / "f").string();
  veska_test::WriteFile(path, "keep me");
  auto holder = SharedFile::Open(path, kRead, platform::kShareRead, FileDisposition::kOpenExisting);
  ASSERT_TRUE(holder);
  EXPECT_FALSE(SharedFile::Open(path, kReadWrite, platform::kShareNone, FileDisposition::kCreateAlways));
  EXPECT_EQ(veska_test::ReadFile(path), "keep me");
}

TEST(SharedFile, HeldByAnotherProcessBlocksDeleteAndRenameButNotACopy) {
  veska_test::TempDir dir;
  const std::string path = (dir / "f").string();
  veska_test::WriteFile(path, "held bytes");
  {
    download_test::HeldFile held(path, dir.path());
    auto deleted = platform::DeleteSharedFile(path);
    ASSERT_FALSE(deleted);
    EXPECT_TRUE(platform::IsSharingViolation(deleted.error()));
    EXPECT_FALSE(platform::RenameSharedFile(path, (dir / "g").string()));
    EXPECT_FALSE(SharedFile::Open(path, kReadWrite, platform::kShareNone, FileDisposition::kOpenExisting));
    ASSERT_TRUE(platform::CopySharedFile(path, (dir / "copy").string(), true));
    EXPECT_EQ(veska_test::ReadFile(dir / "copy"), "held bytes");
  }
  // The holder is gone (killed): its locks went with it.
  EXPECT_TRUE(platform::RenameSharedFile(path, (dir / "g").string()));
  EXPECT_TRUE(platform::DeleteSharedFile((dir / "g").string()));
  EXPECT_FALSE(platform::FileExists((dir / "g").string()));
}

TEST(SharedFile, RenameNeverReplacesAnExistingTarget) {
  veska_test::TempDir dir;
  veska_test::WriteFile(dir / "a", "a");
  veska_test::WriteFile(dir / "b", "b");
  EXPECT_FALSE(platform::RenameSharedFile((dir / "a").string(), (dir / "b").string()));
  EXPECT_EQ(veska_test::ReadFile(dir / "b"), "b");
}

TEST(SharedFile, PositionedReadsAndWritesAndSize) {
  veska_test::TempDir dir;
  auto file = SharedFile::Open((dir / "f").string(), kReadWrite, platform::kShareNone,
                               FileDisposition::kCreateAlways);
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->SetSize(10));
  ASSERT_TRUE(file->WriteAt(8, "xy", 2));
  char back[3] = {};
  ASSERT_TRUE(file->ReadAt(7, back, 3));
  EXPECT_EQ(std::string(back, 3), std::string("\0xy", 3));
  EXPECT_FALSE(file->ReadAt(9, back, 3));  // past the end
  EXPECT_EQ(*file->Size(), 10u);
  // Two pieces as one run, either of them empty, growing the file.
  ASSERT_TRUE(file->WriteAt(1, "ab", "cd"));
  ASSERT_TRUE(file->WriteAt(5, "", "e"));
  ASSERT_TRUE(file->WriteAt(9, "zw", ""));
  char all[11] = {};
  ASSERT_TRUE(file->ReadAt(0, all, 11));
  EXPECT_EQ(std::string(all, 11), std::string("\0abcde\0\0xzw", 11));
  EXPECT_TRUE(file->Close());
  EXPECT_FALSE(file->is_open());
}

}  // namespace
