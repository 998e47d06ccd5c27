// The library frame through private copies of libkvt.so, each loaded fresh,
// with the components it loads beside it.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "kvt.h"
#include "kvt_library.h"
#include "outside/decompressor/decompressor.h"
#include "platform/text.h"
#include "safe_unzip/zip_fixture.h"
#include "support/files.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "test_component.h"

namespace kvt_test {
namespace {

namespace fs = std::filesystem;

class FrameTest : public testing::Test {
 protected:
  std::vector<std::string> Marks() {
    return fs::exists(mark_) ? veska_test::SplitLines(veska_test::ReadFile(mark_))
                             : std::vector<std::string>{};
  }

  veska_test::TempDir scratch_;
  const fs::path mark_ = scratch_ / "marks";
  veska_test::ScopedEnv mark_env_{"VESKA_TEST_COMPONENT_MARK", mark_.string()};
};

// The exports of one library copy.
struct Exports {
  explicit Exports(const KvtLibraryCopy& lib)
      : create_object(lib.Get<decltype(KvtCreateObject)>("KvtCreateObject")),
        create_instance(lib.Get<decltype(KvtCreateInstance)>("KvtCreateInstance")),
        free_library(lib.Get<decltype(KvtFreeLibrary)>("KvtFreeLibrary")),
        uninitialize(lib.Get<decltype(KvtUninitialize)>("KvtUninitialize")),
        can_unload(lib.Get<decltype(DllCanUnloadNow)>("DllCanUnloadNow")) {}

  // A new object of the test component, or null.
  ITestValue* NewValue(const char16_t* path, HRESULT* result = nullptr) const {
    void* out = nullptr;
    const HRESULT got = create_instance(path, &CLSID_TestValue, &IID_ITestValue, &out);
    if (result != nullptr) *result = got;
    return got == KVT_S_OK ? static_cast<ITestValue*>(out) : nullptr;
  }

  decltype(KvtCreateObject)* create_object;
  decltype(KvtCreateInstance)* create_instance;
  decltype(KvtFreeLibrary)* free_library;
  decltype(KvtUninitialize)* uninitialize;
  decltype(DllCanUnloadNow)* can_unload;
};

const Companion kComponent{VESKA_TEST_COMPONENT, "test_component.so"};

TEST_F(FrameTest, FixedAnswersOfAFreshLibrary) {
  KvtLibraryCopy lib;
  EXPECT_EQ(lib.Get<decltype(KvtVersion)>("KvtVersion")(), 1);
  lib.Get<decltype(KvtInitialize)>("KvtInitialize")();
  EXPECT_EQ(Exports(lib).can_unload(), KVT_S_OK);
}

TEST_F(FrameTest, ObjectTypesWithoutTheirObjectsOrComponentFail) {
  KvtLibraryCopy lib;
  const Exports kvt(lib);
  for (uint32_t type : {0u, 1u, 2u, 6u, 8u, 9u, 10u, 11u, 0xFFFFFFFFu}) {
    void* out = &out;
    EXPECT_EQ(kvt.create_object(type, &out), KVT_E_FAIL) << type;
    EXPECT_EQ(out, &out) << "only a success stores a pointer; type " << type;
  }
  EXPECT_EQ(kvt.create_object(8, nullptr), KVT_E_POINTER);
  EXPECT_EQ(lib.Get<decltype(UnZipFileToDirectory)>("UnZipFileToDirectory")(1, 2, 3), KVT_E_FAIL);
}

TEST_F(FrameTest, TheInformationObjectsHoldTheLibrary) {
  KvtLibraryCopy lib;
  const Exports kvt(lib);
  for (uint32_t type : {3u, 4u, 5u, 7u}) {
    void* out = nullptr;
    ASSERT_EQ(kvt.create_object(type, &out), KVT_S_OK) << type;
    auto* object = static_cast<IUnknown*>(out);
    EXPECT_EQ(kvt.can_unload(), KVT_S_FALSE) << type;
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(kvt.can_unload(), KVT_S_OK) << type;
  }
}

TEST_F(FrameTest, DecompressorObjectsAndResultsArePassedThrough) {
  KvtLibraryCopy lib({Companion{VESKA_DECOMPRESSOR, "DeCompressor.dll"}});
  const Exports kvt(lib);

  void* out = nullptr;
  ASSERT_EQ(kvt.create_object(8, &out), KVT_S_OK);
  auto* extractor = static_cast<decompressor::IZipExtractor*>(out);
  veska_test::WriteZip(scratch_ / "a.zip", {{.name = "dir/a.txt", .content = "A"}});
  EXPECT_EQ(extractor->ExtractToFolder(platform::Utf8ToUtf16((scratch_ / "a.zip").string()).c_str(),
                                       platform::Utf8ToUtf16((scratch_ / "out").string()).c_str()),
            KVT_S_OK);
  EXPECT_EQ(veska_test::ReadFile(scratch_ / "out" / "dir" / "a.txt"), "A");
  extractor->Release();

  // Paths as pointer-sized integers, the component's result as it is.
  const auto unzip = lib.Get<decltype(UnZipFileToDirectory)>("UnZipFileToDirectory");
  const std::u16string archive = platform::Utf8ToUtf16((scratch_ / "a.zip").string());
  const std::u16string folder = platform::Utf8ToUtf16((scratch_ / "unzipped").string());
  EXPECT_EQ(unzip(reinterpret_cast<intptr_t>(archive.c_str()), reinterpret_cast<intptr_t>(folder.c_str()), 0),
            KVT_S_OK);
  EXPECT_EQ(veska_test::ReadFile(scratch_ / "unzipped" / "dir" / "a.txt"), "A");
  EXPECT_EQ(unzip(reinterpret_cast<intptr_t>(u"/nonexistent.zip"), reinterpret_cast<intptr_t>(folder.c_str()), 0),
            KVT_E_FAIL);

  // The component's own refusal, not one of the library's.
  out = &out;
  EXPECT_EQ(kvt.create_object(1, &out), KVT_E_NOTIMPL);
  EXPECT_EQ(kvt.create_object(6, &out), KVT_E_FAIL);
  EXPECT_EQ(out, &out);
}

TEST_F(FrameTest, RelativeNamesLoadFromTheLibraryFolderAndPathsAreCachedWithoutCase) {
  KvtLibraryCopy lib({kComponent});
  const Exports kvt(lib);

  ITestValue* first = kvt.NewValue(u"test_component.so");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Value(), kTestValue);
  // No file has this name: only the cache can answer.
  ITestValue* second = kvt.NewValue(u"TEST_Component.SO");
  ASSERT_NE(second, nullptr);
  const std::u16string absolute =
      platform::Utf8ToUtf16((lib.folder() / "Test_Component.so").string());
  ITestValue* third = kvt.NewValue(absolute.c_str());
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(Marks(), std::vector<std::string>{"load"});
  for (auto* object : {first, second, third}) object->Release();
}

TEST_F(FrameTest, ModulesThatCannotServeFail) {
  KvtLibraryCopy lib({kComponent, {VESKA_TEST_COMPONENT_WITHOUT_CAN_UNLOAD, "no_unload.so"}});
  const Exports kvt(lib);
  HRESULT result = 0;

  EXPECT_EQ(kvt.NewValue(u"no_unload.so", &result), nullptr);
  EXPECT_EQ(result, KVT_E_FAIL);
  // Refused modules are not kept loaded.
  EXPECT_EQ(Marks(), (std::vector<std::string>{"load", "unload"}));

  EXPECT_EQ(kvt.NewValue(u"missing.so", &result), nullptr);
  EXPECT_EQ(result, KVT_E_FAIL);

  void* out = &out;
  const GUID unknown = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(kvt.create_instance(u"test_component.so", &unknown, &IID_ITestValue, &out),
            KVT_CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(kvt.create_instance(u"test_component.so", &CLSID_TestValue, &IID_IClassFactory, &out),
            KVT_E_NOINTERFACE);
  EXPECT_EQ(kvt.create_instance(nullptr, &CLSID_TestValue, &IID_ITestValue, &out), KVT_E_POINTER);
}

TEST_F(FrameTest, FreeLibraryKeepsAModuleInUseAndLeavesNoStaleCacheEntry) {
  KvtLibraryCopy lib({kComponent});
  const Exports kvt(lib);
  EXPECT_EQ(kvt.free_library(nullptr), 0);

  ITestValue* object = kvt.NewValue(u"test_component.so");
  ASSERT_NE(object, nullptr);
  auto own = platform::LoadedModule::Load((lib.folder() / "test_component.so").string());
  ASSERT_TRUE(own);
  const platform::ModuleHandle handle = own->Release();

  EXPECT_EQ(kvt.free_library(handle), -1);
  EXPECT_EQ(object->Value(), kTestValue);
  object->Release();
  EXPECT_EQ(kvt.free_library(handle), 1);
  EXPECT_EQ(Marks(), (std::vector<std::string>{"load", "unload"}));

  // The cache no longer names the unloaded module: it is loaded again.
  object = kvt.NewValue(u"test_component.so");
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->Value(), kTestValue);
  object->Release();
  EXPECT_EQ(Marks(), (std::vector<std::string>{"load", "unload", "load"}));
}

TEST_F(FrameTest, UninitializeActsOncePerBitAndNeverUnloadsAModuleInUse) {
  KvtLibraryCopy lib({kComponent});
  const Exports kvt(lib);

  ITestValue* object = kvt.NewValue(u"test_component.so");
  ASSERT_NE(object, nullptr);
  kvt.uninitialize(1);  // only recorded
  kvt.uninitialize(2);
  // Still in use: kept loaded, the object works.
  EXPECT_EQ(Marks(), std::vector<std::string>{"load"});
  EXPECT_EQ(object->Value(), kTestValue);
  object->Release();

  // The next load first frees what can now unload, then loads anew.
  object = kvt.NewValue(u"test_component.so");
  ASSERT_NE(object, nullptr);
  object->Release();
  EXPECT_EQ(Marks(), (std::vector<std::string>{"load", "unload", "load"}));

  // Bit 2 has acted: neither call empties the cache again.
  kvt.uninitialize(2);
  kvt.uninitialize(3);
  EXPECT_EQ(Marks(), (std::vector<std::string>{"load", "unload", "load"}));
  object = kvt.NewValue(u"TEST_COMPONENT.SO");
  ASSERT_NE(object, nullptr);
  object->Release();
}

TEST_F(FrameTest, UninitializeFreesAModuleThatCanUnload) {
  KvtLibraryCopy lib({kComponent});
  const Exports kvt(lib);
  ITestValue* object = kvt.NewValue(u"test_component.so");
  ASSERT_NE(object, nullptr);
  object->Release();
  kvt.uninitialize(2);
  EXPECT_EQ(Marks(), (std::vector<std::string>{"load", "unload"}));
}

}  // namespace
}  // namespace kvt_test
