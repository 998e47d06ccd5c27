#include "updater/verify/package_check.h"

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/temp_dir.h"

namespace {

TEST(PackageCheck, ComparesTheDigestWithoutLetterCase) {
  veska_test::TempDir dir;
  const auto package = (dir / "update.zip").string();
  veska_test::WriteFile(package, "abc");
  const struct {
    const char* expected;
    bool matches;
  } cases[] = {
      {"900150983cd24fb0d6963f7d28e17f72", true},
      {"900150983CD24FB0D6963F7D28E17F72", true},
      {"900150983cd24fb0d6963f7d28e17f73", false},
      {"900150983cd24fb0d6963f7d28e17f7", false},
      {"", false},  // an empty order digest never vouches for a package
  };
  for (const auto& c : cases) EXPECT_EQ(PackageDigestMatches(package, c.expected), c.matches) << c.expected;
}

TEST(PackageCheck, AnUnreadablePackageNeverMatches) {
  veska_test::TempDir dir;
  EXPECT_FALSE(PackageDigestMatches((dir / "absent.zip").string(), "d41d8cd98f00b204e9800998ecf8427e"));
  EXPECT_FALSE(PackageDigestMatches((dir / "absent.zip").string(), ""));
}

}  // namespace
