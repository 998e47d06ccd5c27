#include "updater/verify/md5_ctx.h"

#include <gtest/gtest.h>

#include <string>

#include "support/files.h"
#include "support/temp_dir.h"

namespace {

std::string DigestOf(const std::string& bytes) {
  MD5_CTX md5;
  md5.Update(bytes.data(), bytes.size());
  return DigestText(md5.Final());
}

TEST(Md5Ctx, MatchesTheReferenceSuite) {
  const struct {
    std::string input;
    std::string digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : cases) EXPECT_EQ(DigestOf(c.input), c.digest) << '"' << c.input << '"';
}

TEST(Md5Ctx, PiecewiseUpdatesAroundTheBlockEdgeGiveTheWholeDigest) {
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes += static_cast<char>(i * 7);
  const std::string whole = DigestOf(bytes);
  for (std::size_t split : {1u, 55u, 56u, 63u, 64u, 65u, 127u, 128u, 999u}) {
    MD5_CTX md5;
    md5.Update(bytes.data(), split);
    md5.Update(bytes.data() + split, bytes.size() - split);
    EXPECT_EQ(DigestText(md5.Final()), whole) << "split at " << split;
  }
}

TEST(Md5Ctx, DigestFileStreamsFilesLargerThanItsBlock) {
  veska_test::TempDir dir;
  std::string bytes(3 * 1024 * 1024 + 17, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
  veska_test::WriteFile(dir / "pkg", bytes);

  std::string text;
  MD5_CTX md5;
  ASSERT_TRUE(md5.DigestFile((dir / "pkg").string(), text));
  EXPECT_EQ(text, DigestOf(bytes));
}

TEST(Md5Ctx, DigestFileLeavesTheTextAloneForAMissingFile) {
  veska_test::TempDir dir;
  std::string text = "unchanged";
  MD5_CTX md5;
  EXPECT_FALSE(md5.DigestFile((dir / "absent").string(), text));
  EXPECT_EQ(text, "unchanged");
}

}  // namespace
