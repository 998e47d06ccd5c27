// Module resources read from the module's file, compared with what the
// loaded module itself holds.

#include <gtest/gtest.h>

#include <string>

#include "platform/folders.h"
#include "platform/module_file_resources.h"
#include "support/files.h"
#include "support/temp_dir.h"

namespace {

std::string Text(const std::optional<std::vector<unsigned char>>& bytes) {
  return bytes ? std::string(bytes->begin(), bytes->end()) : "(none)";
}

const std::string kResourceFolder = VESKA_RESOURCE_FOLDER;

TEST(ModuleFileResourcesTest, AFileGivesTheBytesItsModuleWouldHold) {
  const auto program = platform::OwnExecutablePath();
  ASSERT_TRUE(program);
  EXPECT_EQ(Text(platform::ReadModuleFileResource(*program, u"zipres", 102)),
            veska_test::ReadFile(kResourceFolder + "/program_resource.bin"));
  const auto empty = platform::ReadModuleFileResource(*program, u"#14", 101);
  ASSERT_TRUE(empty.has_value()) << "a resource of no bytes still exists";
  EXPECT_TRUE(empty->empty());
  EXPECT_FALSE(platform::ReadModuleFileResource(*program, u"ZIPRES", 103));
  EXPECT_FALSE(platform::ReadModuleFileResource(*program, u"TEXT", 7)) << "the library's, not the program's";

  // A library that was never loaded into this process.
  EXPECT_EQ(Text(platform::ReadModuleFileResource(VESKA_RESOURCE_LIBRARY, u"TEXT", 7)),
            veska_test::ReadFile(kResourceFolder + "/library_resource.txt"));
}

TEST(ModuleFileResourcesTest, FilesThatAreNoModulesOfOursHaveNone) {
  veska_test::TempDir dir;
  veska_test::WriteFile(dir / "text", std::string(4096, 'x'));
  veska_test::WriteFile(dir / "elf-head", "\x7f" "ELF");
  for (const std::string& path : {(dir / "text").string(), (dir / "elf-head").string(),
                                   (dir / "missing").string(), dir.str(), std::string("/bin/true")}) {
    EXPECT_FALSE(platform::ReadModuleFileResource(path, u"TEXT", 7)) << path;
  }
}

}  // namespace
