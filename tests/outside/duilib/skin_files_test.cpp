#include <minizip/zip.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "outside/duilib/skin_files.h"
#include "outside/duilib/ui_paint_manager.h"
#include "platform/module_resources.h"
#include "platform/text.h"
#include "support/files.h"
#include "support/temp_dir.h"

using DuiLib::SkinFiles;

namespace {

// A real zip archive, written by minizip to a scratch file.
std::string MakeZip(const std::vector<std::pair<std::string, std::string>>& entries, int level) {
  veska_test::TempDir folder;
  const std::string path = (folder / "skin.zip").string();
  zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
  for (const auto& [name, bytes] : entries) {
    zip_fileinfo info{};
    zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, level == 0 ? 0 : Z_DEFLATED,
                        level);
    zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
    zipCloseFileInZip(zip);
  }
  zipClose(zip, nullptr);
  return veska_test::ReadFile(path);
}

std::span<const unsigned char> Bytes(const std::string& text) {
  return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

TEST(SkinFilesTest, AZipInMemoryGivesItsFilesByNameAsWindowsNamesThem) {
  const std::string zip = MakeZip({{"TipsBoxWnd.xml", "<Window/>"}, {"img/btn.png", std::string(3000, 'x')},
                                   {"folder/", ""}},
                                  Z_BEST_COMPRESSION);
  std::string error;
  const auto files = SkinFiles::FromZip(Bytes(zip), error);
  ASSERT_NE(files, nullptr) << error;
  EXPECT_EQ(files->Count(), 2u) << "folders are not files";
  EXPECT_EQ(files->Read("TipsBoxWnd.xml").value_or("?"), "<Window/>");
  EXPECT_EQ(files->Read("tipsboxwnd.XML").value_or("?"), "<Window/>");
  EXPECT_EQ(files->Read("img\\btn.png").value_or("?"), std::string(3000, 'x'));
  EXPECT_FALSE(files->Read("btn.png").has_value());
  EXPECT_FALSE(files->Read("").has_value());
}

TEST(SkinFilesTest, BytesThatAreNoSoundArchiveAreRefused) {
  const std::string stored = MakeZip({{"a.xml", "the layout text, stored as it is"}}, 0);
  std::string damaged = stored;
  damaged[damaged.find("layout")] = 'L';  // the entry's checksum no longer matches

  const struct {
    std::string bytes;
    const char* reason;
  } cases[] = {
      {"", "not a zip archive"},
      {"PK\x03\x04 but nothing more", "not a zip archive"},
      {stored.substr(0, stored.size() - 10), "damaged archive"},  // its directory cut short
      {damaged, "damaged entry a.xml"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(SkinFiles::FromZip(Bytes(c.bytes), error), nullptr) << c.reason;
    EXPECT_EQ(error, c.reason) << "for " << c.bytes.size() << " bytes";
  }
}

TEST(SkinFilesTest, TheInstancePathIsTheFolderOfTheModuleWithTheResources) {
  DuiLib::CPaintManagerUI::SetInstance(platform::ProgramModule());
  const auto program = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(platform::Utf16ToUtf8(DuiLib::CPaintManagerUI::GetInstancePath().str()),
            program.parent_path().string() + "/");
}

TEST(SkinFilesTest, AFolderIsReadWhenAFileIsFirstAskedFor) {
  veska_test::TempDir folder;
  const auto files = SkinFiles::FromFolder(folder.str());
  veska_test::WriteFile(folder / "late.xml", "written after");
  EXPECT_EQ(files->Read("late.xml").value_or("?"), "written after");
  EXPECT_FALSE(files->Read("missing.xml").has_value());
}

}  // namespace
