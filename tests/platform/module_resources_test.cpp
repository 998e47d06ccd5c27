#include <dlfcn.h>

#include <string>

#include <gtest/gtest.h>

#include "platform/module_loader.h"
#include "platform/module_resources.h"
#include "support/files.h"

namespace {

std::string Text(const std::optional<std::span<const unsigned char>>& bytes) {
  return bytes ? std::string(bytes->begin(), bytes->end()) : "(none)";
}

const std::string kResourceFolder = VESKA_RESOURCE_FOLDER;

TEST(ModuleResourcesTest, TheProgramFindsItsOwnResourcesByTypeAndId) {
  const platform::ModuleImage program = platform::ProgramModule();
  ASSERT_NE(program, nullptr);
  EXPECT_EQ(platform::ModuleContaining(reinterpret_cast<const void*>(&Text)), program);

  const std::string expected = veska_test::ReadFile(kResourceFolder + "/program_resource.bin");
  EXPECT_EQ(Text(platform::FindModuleResource(program, u"ZIPRES", 102)), expected);
  EXPECT_EQ(Text(platform::FindModuleResource(program, u"zipRes", 102)), expected) << "types ignore case";

  const auto empty = platform::FindModuleResource(program, u"#14", 101);
  ASSERT_TRUE(empty.has_value()) << "a resource of no bytes still exists";
  EXPECT_TRUE(empty->empty());

  const struct {
    std::u16string type;
    std::uint16_t id;
  } missing[] = {{u"ZIPRES", 103}, {u"ZIPRES", 101}, {u"#14", 102}, {u"ZIPRESX", 102}, {u"", 102}, {u"#15", 101}};
  for (const auto& m : missing) {
    EXPECT_FALSE(platform::FindModuleResource(program, m.type, m.id).has_value()) << m.id;
  }
}

TEST(ModuleResourcesTest, ALoadedLibraryHasItsOwnTableAndNotTheProgramOnes) {
  auto library = platform::LoadedModule::Load(VESKA_RESOURCE_LIBRARY);
  ASSERT_TRUE(library.ok()) << library.error().Describe();
  const void* anchor = library->FindExport("resource_library_anchor");
  ASSERT_NE(anchor, nullptr);
  const platform::ModuleImage module = platform::ModuleContaining(anchor);
  ASSERT_NE(module, nullptr);
  EXPECT_NE(module, platform::ProgramModule());

  EXPECT_EQ(Text(platform::FindModuleResource(module, u"TEXT", 7)),
            veska_test::ReadFile(kResourceFolder + "/library_resource.txt"));
  EXPECT_FALSE(platform::FindModuleResource(module, u"ZIPRES", 102).has_value());
  EXPECT_FALSE(platform::FindModuleResource(platform::ProgramModule(), u"TEXT", 7).has_value());
}

TEST(ModuleResourcesTest, NoModuleOrAModuleWithoutATableHasNoResources) {
  EXPECT_EQ(platform::ModuleContaining(nullptr), nullptr);
  EXPECT_FALSE(platform::FindModuleResource(nullptr, u"ZIPRES", 102).has_value());
  // The C library carries no table; nor does an address inside no module.
  const platform::ModuleImage libc = platform::ModuleContaining(reinterpret_cast<const void*>(&dlopen));
  ASSERT_NE(libc, nullptr);
  EXPECT_FALSE(platform::FindModuleResource(libc, u"ZIPRES", 102).has_value());
  static const char kNotAModule = 0;
  EXPECT_FALSE(platform::FindModuleResource(&kNotAModule, u"ZIPRES", 102).has_value());
}

TEST(ModuleResourcesTest, AModuleNamedByItsLoaderHandle) {
  auto library = platform::LoadedModule::Load(VESKA_RESOURCE_LIBRARY);
  ASSERT_TRUE(library.ok()) << library.error().Describe();
  const platform::ModuleImage image = platform::ModuleContaining(library->FindExport("resource_library_anchor"));
  ASSERT_NE(image, nullptr);
  ASSERT_NE(static_cast<const void*>(library->handle()), image);
  EXPECT_EQ(platform::ImageOfModule(library->handle()), image);
  EXPECT_EQ(platform::ImageOfModule(image), image);

  void* program_handle = dlopen(nullptr, RTLD_LAZY);
  EXPECT_EQ(platform::ImageOfModule(program_handle), platform::ProgramModule());
  dlclose(program_handle);

  static const char kNotAModule = 0;
  EXPECT_EQ(platform::ImageOfModule(&kNotAModule), nullptr);
  EXPECT_EQ(platform::ImageOfModule(nullptr), nullptr);
}

TEST(ModuleLoaderTest, SystemLibrariesByFileName) {
  auto zlib = platform::LoadedModule::LoadSystemLibrary("libz.so.1");
  ASSERT_TRUE(zlib.ok()) << zlib.error().Describe();
  EXPECT_NE(zlib->FindExport("crc32"), nullptr);
  EXPECT_FALSE(platform::LoadedModule::LoadSystemLibrary("libveska-no-such-library.so.0").ok());
  EXPECT_FALSE(platform::LoadedModule::LoadSystemLibrary("/usr/lib/libz.so.1").ok()) << "a path is no file name";
  EXPECT_FALSE(platform::LoadedModule::LoadSystemLibrary("").ok());
}

}  // namespace
