// The version exports on PE images whose version resources windres made.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "file_information.h"
#include "kvt.h"
#include "platform/text.h"
#include "support/files.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;

std::u16string W(const fs::path& path) { return platform::Utf8ToUtf16(path.string()); }
fs::path Fixture(const std::string& name) { return fs::path(VESKA_PE_FIXTURE_DIR) / name; }
std::string Narrow(const std::u16string& text) { return platform::Utf16ToUtf8(text); }

std::string VersionOf(const fs::path& path) {
  FileVersion version{9, 9, 9, 9};
  if (!KvtDllGetVersion(W(path).c_str(), &version)) return "none";
  return std::to_string(version.major) + "." + std::to_string(version.minor) + "." + std::to_string(version.build) +
         "." + std::to_string(version.revision);
}

TEST(FileVersionTest, ReadsTheFixedVersionOf32And64BitImages) {
  for (const char* name : {"versioned64.dll", "versioned32.dll", "versioned_other64.dll"}) {
    EXPECT_EQ(VersionOf(Fixture(name)), "1.2.3.4") << name;
    char16_t text[24] = {};
    ASSERT_TRUE(GetFileVersionString(W(Fixture(name)).c_str(), text));
    EXPECT_EQ(std::u16string(text), u"1.2.3.4");
  }
}

TEST(FileVersionTest, FilesWithoutAVersionResource) {
  veska_test::TempDir dir;
  veska_test::WriteFile(dir / "text.txt", "MZ but not an image");
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0) << "a FIFO with no writer must not hold the reader up";
  char16_t text[24] = u"untouched";
  for (const fs::path& path : {fs::path(VESKA_PE64_DLL), fs::path(VESKA_PE32_DLL), dir / "text.txt",
                               dir / "missing.dll", dir.path(), dir / "fifo"}) {
    EXPECT_FALSE(GetFileVersionString(W(path).c_str(), text)) << path;
    EXPECT_EQ(VersionOf(path), "none") << path;
  }
  EXPECT_EQ(std::u16string(text), u"untouched");
  EXPECT_FALSE(GetFileInfomationString(W(VESKA_PE64_DLL).c_str(), text, 24, nullptr, 0));
  EXPECT_FALSE(KvtDllGetVersion(W(Fixture("versioned64.dll")).c_str(), nullptr));
}

TEST(FileVersionTest, FormatsAreTheCallersButOnlyForIntegers) {
  const std::u16string path = W(Fixture("versioned64.dll"));
  struct Case {
    std::u16string format;
    std::optional<std::u16string> expected;
  };
  for (const auto& c : std::vector<Case>{
           {u"%d.%d.%d.%d", u"1.2.3.4"},
           {u"v%u-%02d (build %x) %%", u"v1-02 (build 3) %"},
           {u"%d.%d", u"1.2"},
           {u"%-3d|%+d|%#o|%5.3X", u"1  |+2|03|  004"},
           {u"%ld.%hd", u"1.2"},
           {u"%s", std::nullopt},
           {u"%d %n", std::nullopt},
           {u"%d.%d.%d.%d.%d", std::nullopt},
           {u"%*d", std::nullopt},
           {u"%100d", std::nullopt},
           {u"%", std::nullopt},
       }) {
    char16_t buffer[64] = {};
    const bool ok = GetFileVersionStringEx(path.c_str(), c.format.c_str(), buffer);
    EXPECT_EQ(ok, c.expected.has_value()) << Narrow(c.format);
    if (ok && c.expected) {
      EXPECT_EQ(std::u16string(buffer), *c.expected) << Narrow(c.format);
    }
  }
}

TEST(FileVersionTest, VersionStringIsCutToTheBuffer) {
  const std::u16string path = W(Fixture("versioned64.dll"));
  char16_t buffer[8] = {u'x', u'x', u'x', u'x', u'x', u'x', u'x', u'x'};
  ASSERT_TRUE(KvtDllGetVersionString(path.c_str(), buffer, 4));
  EXPECT_EQ(std::u16string(buffer), u"1.2");
  EXPECT_EQ(buffer[4], u'x');
  ASSERT_TRUE(KvtDllGetVersionString(path.c_str(), buffer, 8));
  EXPECT_EQ(std::u16string(buffer), u"1.2.3.4");
  EXPECT_FALSE(KvtDllGetVersionString(path.c_str(), buffer, 0));
}

// The string table follows the user's language (from the locale): the same
// language, then the same primary language, neutral, English, the first.
TEST(FileInformationTest, ChoosesTheStringTableByLanguage) {
  struct Case {
    const char* fixture;
    const char* locale;
    const char* table;
  };
  for (const auto& c : std::vector<Case>{{"versioned64.dll", "zh_CN.UTF-8", "0804"},
                                         {"versioned64.dll", "de_DE.UTF-8", "0407"},
                                         {"versioned64.dll", "fr_FR.UTF-8", "0409"},
                                         {"versioned64.dll", "en_GB.UTF-8", "0409"},
                                         {"versioned32.dll", "zh_CN.UTF-8", "0804"},
                                         {"versioned_neutral64.dll", "fr_FR.UTF-8", "0000"},
                                         {"versioned_neutral64.dll", "ja_JP.UTF-8", "0411"},
                                         {"versioned_other64.dll", "fr_FR.UTF-8", "0411"},
                                         {"versioned_other64.dll", "de_CH.UTF-8", "0407"}}) {
    veska_test::ScopedEnv language("LANGUAGE", std::nullopt);
    veska_test::ScopedEnv all("LC_ALL", c.locale);
    char16_t description[64] = {};
    char16_t company[64] = {};
    ASSERT_TRUE(GetFileInfomationString(W(Fixture(c.fixture)).c_str(), description, 64, company, 64))
        << c.fixture << " " << c.locale;
    EXPECT_EQ(Narrow(description), std::string("Description ") + c.table) << c.fixture << " " << c.locale;
    EXPECT_EQ(Narrow(company), std::string("Company ") + c.table) << c.fixture << " " << c.locale;
  }
}

TEST(FileInformationTest, ATextThatDoesNotFitLeavesItsBufferEmpty) {
  veska_test::ScopedEnv all("LC_ALL", "de_DE.UTF-8");
  const std::u16string path = W(Fixture("versioned64.dll"));
  char16_t description[64] = u"old";
  char16_t company[8] = u"old";
  EXPECT_FALSE(GetFileInfomationString(path.c_str(), description, 64, company, 8));
  EXPECT_EQ(Narrow(description), "Description 0407");
  EXPECT_EQ(Narrow(company), "");
  // Either buffer may be left out.
  EXPECT_TRUE(GetFileInfomationString(path.c_str(), nullptr, 0, company, 8) == false);
  EXPECT_TRUE(GetFileInfomationString(path.c_str(), description, 64, nullptr, 0));
}

TEST(FileInformationTest, TranslationChoiceOnBareLists) {
  EXPECT_FALSE(ChooseTranslation({}, 0x0409));
  EXPECT_EQ(ChooseTranslation({{0x0411, 1200}, {0x0009, 1252}}, 0x040C)->language, 0x0009);
}

// Damaged copies of a versioned image: every byte of the version block in
// turn set to 0xFF. The reader must stay inside the file and either fail or
// report the version the block still holds (or 0.0.0.0 when the fixed
// information no longer has its size).
TEST(FileVersionTest, DamagedVersionBlocksAreReadSafely) {
  const std::string image = veska_test::ReadFile(Fixture("versioned64.dll"));
  const std::string key("V\0S\0_\0V\0E\0R\0S\0I\0O\0N\0_\0I\0N\0F\0O\0", 30);
  const auto key_at = image.find(key);
  ASSERT_NE(key_at, std::string::npos);
  const std::size_t block_at = key_at - 6;
  const std::size_t block_length =
      static_cast<std::uint8_t>(image[block_at]) | (static_cast<std::uint8_t>(image[block_at + 1]) << 8);
  // The fixed information starts after the key and its padding; its version
  // double words are at 8 to 15.
  const std::size_t version_at = ((key_at + key.size() + 2 + 3) & ~std::size_t{3}) + 8;
  veska_test::TempDir dir;
  const fs::path copy = dir / "damaged.dll";
  for (std::size_t at = block_at; at < block_at + block_length; ++at) {
    if (at >= version_at && at < version_at + 8) continue;
    std::string damaged = image;
    damaged[at] = static_cast<char>(0xFF);
    veska_test::WriteFile(copy, damaged);
    const std::string version = VersionOf(copy);
    EXPECT_TRUE(version == "1.2.3.4" || version == "0.0.0.0" || version == "none") << at << ": " << version;
    char16_t description[64] = {};
    char16_t company[64] = {};
    GetFileInfomationString(W(copy).c_str(), description, 64, company, 64);
  }
  // Cut short anywhere in the resource section.
  for (std::size_t length : {block_at, block_at + 40, block_at + block_length / 2}) {
    veska_test::WriteFile(copy, image.substr(0, length));
    EXPECT_EQ(VersionOf(copy), "none") << length;
  }
}

// Our own modules carry a version resource made from the project version,
// read from the file whether or not the module is loaded.
TEST(OwnModuleVersionTest, TheLibraryAndTheLauncherAnswer) {
  const std::string expected = std::string(VESKA_PROJECT_VERSION) + ".0";
  EXPECT_EQ(VersionOf(VESKA_KVT_LIBRARY), expected);
  EXPECT_EQ(VersionOf(VESKA_LAUNCHER), expected);
  char16_t text[24] = {};
  ASSERT_TRUE(GetFileVersionString(W(VESKA_KVT_LIBRARY).c_str(), text));
  EXPECT_EQ(Narrow(text), expected);

  veska_test::ScopedEnv all("LC_ALL", "zh_CN.UTF-8");
  char16_t description[64] = {};
  char16_t company[64] = {};
  ASSERT_TRUE(GetFileInfomationString(W(VESKA_KVT_LIBRARY).c_str(), description, 64, company, 64));
  EXPECT_EQ(Narrow(description), "Veska utility library") << "the only table, US English";
  EXPECT_EQ(Narrow(company), "Veska");
  ASSERT_TRUE(GetFileInfomationString(W(VESKA_LAUNCHER).c_str(), description, 64, company, 64));
  EXPECT_EQ(Narrow(description), "Veska classroom launcher");

  // A module of ours without resources, and a system program.
  EXPECT_EQ(VersionOf(VESKA_KVT_FILE_HOLDER), "none");
  EXPECT_EQ(VersionOf("/bin/true"), "none");
}

TEST(OwnModuleVersionTest, DamagedCopiesAreReadSafely) {
  const std::string image = veska_test::ReadFile(VESKA_KVT_LIBRARY);
  const std::string expected = std::string(VESKA_PROJECT_VERSION) + ".0";
  veska_test::TempDir dir;
  const fs::path copy = dir / "libkvt.so";
  for (std::size_t part = 1; part < 16; ++part) {
    veska_test::WriteFile(copy, image.substr(0, image.size() * part / 16));
    const std::string version = VersionOf(copy);
    EXPECT_TRUE(version == expected || version == "none") << part << ": " << version;
  }
  // Every byte of the ELF header in turn.
  for (std::size_t at = 0; at < 64; ++at) {
    std::string damaged = image;
    damaged[at] = static_cast<char>(~damaged[at]);
    veska_test::WriteFile(copy, damaged);
    const std::string version = VersionOf(copy);
    EXPECT_TRUE(version == expected || version == "none") << at << ": " << version;
  }
}

}  // namespace
}  // namespace kvt
