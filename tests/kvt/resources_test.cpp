// The resource exports on a shared object that carries resources, named by
// the loader's handle or by its image, and on the test program itself.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <cstring>
#include <filesystem>
#include <string>

#include "acl_tools.h"
#include "kvt.h"
#include "platform/module_loader.h"
#include "platform/module_resources.h"
#include "platform/text.h"
#include "support/files.h"
#include "support/temp_dir.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;

std::u16string W(const fs::path& path) { return platform::Utf8ToUtf16(path.string()); }
std::string Fixture(const std::string& name) {
  return veska_test::ReadFile(fs::path(VESKA_RESOURCE_FIXTURES) / name);
}

class ResourcesTest : public testing::Test {
 protected:
  void SetUp() override {
    auto loaded = platform::LoadedModule::Load(VESKA_RESOURCE_MODULE);
    ASSERT_TRUE(loaded) << loaded.error().Describe();
    module_.emplace(std::move(*loaded));
    handle_ = module_->handle();
    image_ = const_cast<void*>(platform::ModuleContaining(module_->FindExport("ResourceModuleAnchor")));
    ASSERT_NE(image_, nullptr);
    ASSERT_NE(image_, handle_);
  }

  std::optional<platform::LoadedModule> module_;
  KvtModule handle_ = nullptr;
  KvtModule image_ = nullptr;
};

std::string Bytes(const void* data, uint32_t size) { return std::string(static_cast<const char*>(data), size); }

TEST_F(ResourcesTest, FoundThroughTheHandleOrTheImage) {
  const std::string payload = Fixture("payload.bin");
  for (KvtModule module : {handle_, image_}) {
    for (const char16_t* type : {KVT_RT_RCDATA, u"#10"}) {
      EXPECT_EQ(KvtGetResourceSize(module, 101, type), payload.size());
      uint32_t size = 0;
      const void* data = KvtGetResource(module, 101, type, &size);
      ASSERT_NE(data, nullptr);
      EXPECT_EQ(Bytes(data, size), payload);
      // The bytes stay in the module: no copy.
      EXPECT_EQ(KvtGetResource(module, 101, type, nullptr), data);
    }
    // Only the low 16 bits are the id; types are names without case.
    EXPECT_EQ(KvtGetResourceSize(module, 0x70000 | 101, KVT_RT_RCDATA), payload.size());
    uint32_t size = 0;
    const void* other = KvtGetResource(module, 101, u"OTHER", &size);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(Bytes(other, size), "the other type");
  }
}

TEST_F(ResourcesTest, MissingResourcesAndModules) {
  int local = 0;
  for (KvtModule module : {handle_, image_, static_cast<KvtModule>(&local)}) {
    for (auto [id, type] : {std::pair<uint32_t, const char16_t*>{999, KVT_RT_RCDATA}, {101, u"XML"}, {1, u"#11"},
                            {101, nullptr}}) {
      EXPECT_EQ(KvtGetResourceSize(module, id, type), 0u) << id;
      uint32_t size = 12345;
      EXPECT_EQ(KvtGetResource(module, id, type, &size), nullptr);
      EXPECT_EQ(size, 12345u);
    }
  }
  // An empty resource fails as SizeofResource's 0 does.
  uint32_t size = 12345;
  EXPECT_EQ(KvtGetResourceSize(handle_, 102, KVT_RT_RCDATA), 0u);
  EXPECT_EQ(KvtGetResource(handle_, 102, KVT_RT_RCDATA, &size), nullptr);
  EXPECT_EQ(size, 12345u);
}

TEST_F(ResourcesTest, ANullModuleIsTheProgram) {
  uint32_t size = 0;
  const void* data = KvtGetResource(nullptr, 1, KVT_RT_RCDATA, &size);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(Bytes(data, size), "program");
  EXPECT_EQ(KvtGetResourceSize(nullptr, 101, KVT_RT_RCDATA), 0u);
}

TEST_F(ResourcesTest, ExtractToFileMakesMissingFolders) {
  veska_test::TempDir dir;
  const fs::path target = dir / "one" / "two" / "payload.bin";
  ASSERT_TRUE(ExtractResourceToFile(W(target).c_str(), image_, 101, KVT_RT_RCDATA));
  EXPECT_EQ(veska_test::ReadFile(target), Fixture("payload.bin"));
  // Replaced whole by a shorter resource.
  ASSERT_TRUE(ExtractResourceToFile(W(target).c_str(), handle_, 101, u"Other"));
  EXPECT_EQ(veska_test::ReadFile(target), "the other type");
}

TEST_F(ResourcesTest, ExtractToFileFailures) {
  veska_test::TempDir dir;
  EXPECT_FALSE(ExtractResourceToFile(W(dir / "a/missing.bin").c_str(), handle_, 999, KVT_RT_RCDATA));
  EXPECT_FALSE(ExtractResourceToFile(W(dir / "b/empty.bin").c_str(), handle_, 102, KVT_RT_RCDATA));
  EXPECT_FALSE(fs::exists(dir / "a"));
  EXPECT_FALSE(fs::exists(dir / "b"));
  EXPECT_FALSE(ExtractResourceToFile(nullptr, handle_, 101, KVT_RT_RCDATA));
  // A file where a folder should be.
  veska_test::WriteFile(dir / "file", "x");
  EXPECT_FALSE(ExtractResourceToFile(W(dir / "file/payload.bin").c_str(), handle_, 101, KVT_RT_RCDATA));
}

// A write that fails once the file is open is a failure, not a success: the
// process may write files of 100 bytes only.
TEST_F(ResourcesTest, AShortWriteIsAFailure) {
  veska_test::TempDir dir;
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool extracted = ExtractResourceToFile(W(dir / "payload.bin").c_str(), handle_, 101, KVT_RT_RCDATA);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(extracted);
  EXPECT_TRUE(ExtractResourceToFile(W(dir / "payload.bin").c_str(), handle_, 101, KVT_RT_RCDATA));
}

TEST_F(ResourcesTest, ExtractedFilesAreOpenToUsers) {
  veska_test::TempDir dir;
  KVT_SKIP_WITHOUT_ACLS(dir.path());
  const fs::path target = dir / "payload.bin";
  ASSERT_TRUE(ExtractResourceToFile(W(target).c_str(), handle_, 101, KVT_RT_RCDATA));
  EXPECT_EQ(kvt_test::WithPrefix(kvt_test::AclLines(target), "group:users:"),
            std::vector<std::string>{"group:users:rwx"});
}

TEST_F(ResourcesTest, XmlStringsByTheirFirstBytes) {
  const std::pair<uint32_t, std::u16string> cases[] = {
      {1, u"abc"},                   // EF BB BF: UTF-8 after the mark
      {2, u"a"},                     // FF FE: UTF-16 after the mark
      {3, u"ab"},                    // the ANSI code page
      {4, u"a\u4E2D\U0001F600"},     // an odd last byte is left out
      {5, u""},                      // the mark alone
  };
  for (const auto& [id, expected] : cases) {
    KvtBSTR text = nullptr;
    ASSERT_TRUE(ExtractResourceToXMLString(&text, image_, id, u"XML")) << id;
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(text), expected) << id;
    // A system string: its byte count before it, a terminator after it.
    uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<const char*>(text) - 4, 4);
    EXPECT_EQ(bytes, expected.size() * 2) << id;
    EXPECT_EQ(text[expected.size()], u'\0');
    KvtSysFreeString(text);
  }
  // EF without BB BF is no mark: the bytes are ANSI text.
  KvtBSTR text = nullptr;
  ASSERT_TRUE(ExtractResourceToXMLString(&text, handle_, 6, u"xml"));
  const std::u16string read(text);
  EXPECT_TRUE(read.starts_with(u"\uFFFD"));
  EXPECT_TRUE(read.ends_with(u"x\u4E2D"));
  KvtSysFreeString(text);
  KvtSysFreeString(nullptr);
}

TEST_F(ResourcesTest, XmlStringFailuresLeaveTheOutAlone) {
  KvtBSTR text = reinterpret_cast<KvtBSTR>(&text);
  EXPECT_FALSE(ExtractResourceToXMLString(&text, handle_, 99, u"XML"));
  EXPECT_FALSE(ExtractResourceToXMLString(&text, handle_, 102, KVT_RT_RCDATA));
  EXPECT_EQ(text, reinterpret_cast<KvtBSTR>(&text));
  EXPECT_FALSE(ExtractResourceToXMLString(nullptr, handle_, 1, u"XML"));
}

}  // namespace
}  // namespace kvt
