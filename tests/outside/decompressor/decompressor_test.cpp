// "DeCompressor.dll" loaded as the library loads it, by file name.

#include "outside/decompressor/decompressor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/module_loader.h"
#include "platform/text.h"
#include "safe_unzip/zip_fixture.h"
#include "support/files.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using veska_test::ReadFile;
using veska_test::WriteFile;
using veska_test::WriteZip;

using CreateObjectFn = HRESULT (*)(uint32_t, void**);
using UnZipFn = int32_t (*)(intptr_t, intptr_t, intptr_t);
using CanUnloadFn = HRESULT (*)();

class DecompressorTest : public testing::Test {
 protected:
  void SetUp() override {
    auto loaded = platform::LoadedModule::Load(VESKA_DECOMPRESSOR);
    ASSERT_TRUE(loaded) << loaded.error().Describe();
    module_.emplace(std::move(*loaded));
    create_ = reinterpret_cast<CreateObjectFn>(module_->FindExport("CreateObject"));
    unzip_ = reinterpret_cast<UnZipFn>(module_->FindExport("UnZipFileToDirectory"));
    can_unload_ = reinterpret_cast<CanUnloadFn>(module_->FindExport("DllCanUnloadNow"));
    ASSERT_TRUE(create_ && unzip_ && can_unload_);
  }
  int32_t UnZip(const fs::path& archive, const fs::path& folder) {
    const std::u16string a = platform::Utf8ToUtf16(archive.string());
    const std::u16string f = platform::Utf8ToUtf16(folder.string());
    return unzip_(reinterpret_cast<intptr_t>(a.c_str()), reinterpret_cast<intptr_t>(f.c_str()), 0);
  }

  veska_test::TempDir dir_;
  std::optional<platform::LoadedModule> module_;
  CreateObjectFn create_ = nullptr;
  UnZipFn unzip_ = nullptr;
  CanUnloadFn can_unload_ = nullptr;
};

TEST_F(DecompressorTest, UnpacksIntoAFolderItCreates) {
  WriteZip(dir_ / "a.zip", {{.name = "top.txt", .content = "T"},
                            {.name = "sub/deeper/x.bin", .content = std::string(100000, 'x')},
                            {.name = "empty/"}});
  EXPECT_EQ(UnZip(dir_ / "a.zip", dir_ / "new" / "out"), KVT_S_OK);
  EXPECT_EQ(ReadFile(dir_ / "new" / "out" / "top.txt"), "T");
  EXPECT_EQ(ReadFile(dir_ / "new" / "out" / "sub" / "deeper" / "x.bin"), std::string(100000, 'x'));
  EXPECT_TRUE(fs::is_directory(dir_ / "new" / "out" / "empty"));
}

TEST_F(DecompressorTest, RefusedEntriesLeaveTheirTargetsAndAreReported) {
  fs::create_directories(dir_ / "out");
  WriteFile(dir_ / "out" / "kept.txt", "old");
  WriteZip(dir_ / "a.zip", {{.name = "good.txt", .content = "G"},
                            {.name = "../escape.txt", .content = "E"},
                            {.name = "kept.txt", .content = "new", .broken_crc = true}});
  EXPECT_EQ(UnZip(dir_ / "a.zip", dir_ / "out"), KVT_S_FALSE);
  EXPECT_EQ(ReadFile(dir_ / "out" / "good.txt"), "G");
  EXPECT_EQ(ReadFile(dir_ / "out" / "kept.txt"), "old");
  EXPECT_FALSE(fs::exists(dir_ / "escape.txt"));
}

TEST_F(DecompressorTest, ArchivesThatCannotBeReadFail) {
  WriteFile(dir_ / "not.zip", "plain text");
  EXPECT_EQ(UnZip(dir_ / "not.zip", dir_ / "out"), KVT_E_FAIL);
  EXPECT_EQ(UnZip(dir_ / "missing.zip", dir_ / "out"), KVT_E_FAIL);
  WriteZip(dir_ / "a.zip", {{.name = "a.txt", .content = "A"}});
  WriteFile(dir_ / "file", "in the way");
  EXPECT_EQ(UnZip(dir_ / "a.zip", dir_ / "file"), KVT_E_FAIL);
  EXPECT_EQ(unzip_(0, 0, 0), KVT_E_POINTER);
}

TEST_F(DecompressorTest, ObjectsKeepTheComponentInUse) {
  void* out = nullptr;
  ASSERT_EQ(create_(decompressor::kZipExtractorType, &out), KVT_S_OK);
  auto* extractor = static_cast<decompressor::IZipExtractor*>(out);
  EXPECT_EQ(can_unload_(), KVT_S_FALSE);

  void* again = nullptr;
  ASSERT_EQ(extractor->QueryInterface(IID_IUnknown, &again), KVT_S_OK);
  EXPECT_EQ(extractor->QueryInterface(IID_IKvtCPU, &again), KVT_E_NOINTERFACE);
  EXPECT_EQ(again, nullptr);
  EXPECT_EQ(extractor->Release(), 1u);
  EXPECT_EQ(can_unload_(), KVT_S_FALSE);
  EXPECT_EQ(extractor->Release(), 0u);
  EXPECT_EQ(can_unload_(), KVT_S_OK);

  out = &out;
  EXPECT_EQ(create_(1, &out), KVT_E_NOTIMPL);
  EXPECT_EQ(out, &out);
  EXPECT_EQ(create_(8, nullptr), KVT_E_POINTER);
}

}  // namespace
