// MD5 digests against md5sum and RFC 1321's vectors, CRC-32 against zlib's
// crc32, and the two URL encodings.

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "kvt.h"
#include "machine_sources.h"
#include "platform/text.h"
#include "support/files.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;

std::u16string W(const fs::path& path) { return platform::Utf8ToUtf16(path.string()); }

// md5sum's digest of a file, in upper case.
std::string Md5sum(const fs::path& path) {
  const auto run = veska_test::RunProgram("/usr/bin/md5sum", {path.string()}, {}, std::chrono::minutes(5));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  std::string digest = run.out.substr(0, 32);
  for (char& c : digest) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return digest;
}

std::string Text(const char16_t* text) { return platform::Utf16ToUtf8(text); }

std::optional<std::string> StringDigest(const std::string& bytes) {
  char16_t text[42];
  if (!KvtGetStringMD5A(bytes.data(), static_cast<uint32_t>(bytes.size()), text, 42)) return std::nullopt;
  return Text(text);
}

std::optional<std::string> FileDigest(const fs::path& path) {
  char16_t text[42];
  if (!KvtGetFileMD5String(W(path).c_str(), text, 42)) return std::nullopt;
  return Text(text);
}

std::optional<std::string> VideoDigest(const fs::path& path) {
  char16_t text[42];
  if (!KvtGetVideoMD5String(W(path).c_str(), text, 42)) return std::nullopt;
  return Text(text);
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

TEST(Md5Test, DigestsOfRfc1321) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "D41D8CD98F00B204E9800998ECF8427E"},
      {"a", "0CC175B9C0F1B6A831C399E269772661"},
      {"abc", "900150983CD24FB0D6963F7D28E17F72"},
      {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57EDF4A22BE3C955AC49DA2E2107B67A"},
  };
  for (const auto& [bytes, digest] : cases) EXPECT_EQ(StringDigest(bytes), digest) << bytes;
}

TEST(Md5Test, TheTextNeedsFortyTwoCharacters) {
  std::u16string text(64, u'x');
  EXPECT_FALSE(KvtGetStringMD5A("abc", 3, text.data(), 41));
  EXPECT_EQ(text, std::u16string(64, u'x'));
  ASSERT_TRUE(KvtGetStringMD5A("abc", 3, text.data(), 42));
  EXPECT_EQ(text.substr(0, 33), std::u16string(u"900150983CD24FB0D6963F7D28E17F72") + u'\0');
  EXPECT_EQ(text.substr(33, 8), std::u16string(8, u'x'));
  EXPECT_EQ(text[41], u'\0');
  EXPECT_EQ(text.substr(42), std::u16string(22, u'x'));

  EXPECT_FALSE(KvtGetStringMD5A("abc", 3, nullptr, 42));
  EXPECT_FALSE(KvtGetStringMD5A(nullptr, 3, text.data(), 42));
  EXPECT_EQ(StringDigest(std::string()), "D41D8CD98F00B204E9800998ECF8427E");
}

TEST(Md5Test, WideTextIsDigestedInTheAnsiCodePage) {
  char16_t text[42];
  ASSERT_TRUE(KvtGetStringMD5W(u"abc", 3, text, 42));
  EXPECT_EQ(Text(text), "900150983CD24FB0D6963F7D28E17F72");
  // é and 中 as UTF-8 bytes; only `length` characters count.
  ASSERT_TRUE(KvtGetStringMD5W(u"é中xyz", 2, text, 42));
  EXPECT_EQ(Text(text), StringDigest("\xC3\xA9\xE4\xB8\xAD"));
  // No bytes from the conversion: no digest.
  EXPECT_FALSE(KvtGetStringMD5W(u"", 0, text, 42));
  EXPECT_FALSE(KvtGetStringMD5W(nullptr, 3, text, 42));
}

TEST(Md5Test, FileDigestsAgreeWithMd5sum) {
  veska_test::TempDir dir;
  // Across the reading blocks and not a multiple of them.
  for (std::size_t size : {1u, 307200u, (3u << 20) + 17u}) {
    const fs::path file = dir / ("file" + std::to_string(size));
    veska_test::WriteFile(file, RandomBytes(size, static_cast<unsigned>(size)));
    EXPECT_EQ(FileDigest(file), Md5sum(file)) << size;
  }
}

TEST(Md5Test, EmptyAndMissingFiles) {
  veska_test::TempDir dir;
  veska_test::WriteFile(dir / "empty", "");
  EXPECT_EQ(FileDigest(dir / "empty"), std::nullopt);
  EXPECT_EQ(VideoDigest(dir / "empty"), "D41D8CD98F00B204E9800998ECF8427E");
  EXPECT_EQ(FileDigest(dir / "missing"), std::nullopt);
  EXPECT_EQ(VideoDigest(dir / "missing"), std::nullopt);
  char16_t text[42];
  EXPECT_FALSE(KvtGetFileMD5String(nullptr, text, 42));
  EXPECT_FALSE(KvtGetVideoMD5String(W(dir / "empty").c_str(), text, 41));
}

TEST(Md5Test, TheVideoDigestCoversTheFirst307200Bytes) {
  veska_test::TempDir dir;
  const std::string shared = RandomBytes(307200, 1);
  veska_test::WriteFile(dir / "one", shared + RandomBytes((1 << 20) - 307200, 2));
  veska_test::WriteFile(dir / "two", shared + RandomBytes((1 << 20) - 307200, 3));
  veska_test::WriteFile(dir / "short", shared.substr(0, 1000));
  EXPECT_EQ(VideoDigest(dir / "one"), StringDigest(shared));
  EXPECT_EQ(VideoDigest(dir / "two"), StringDigest(shared));
  EXPECT_NE(FileDigest(dir / "one"), FileDigest(dir / "two"));
  EXPECT_EQ(VideoDigest(dir / "short"), StringDigest(shared.substr(0, 1000)));
}

// The size is not cut to 32 bits: a file of 4 GiB of zeros and an "x"
// (sparse) has the digest md5sum gave for it, not that of the "x" alone.
TEST(Md5Test, FilesOfFourGibibytesAndMore) {
  veska_test::TempDir dir;
  const fs::path file = dir / "large";
  {
    std::ofstream out(file, std::ios::binary);
    out.seekp((std::streamoff{1} << 32));
    out.put('x');
  }
  ASSERT_EQ(fs::file_size(file), (std::uintmax_t{1} << 32) + 1);
  EXPECT_EQ(FileDigest(file), "946005287BA386E1AA04031FCB20051D");
}

TEST(Md5Test, WithoutTheCryptoLibraryEveryDigestFails) {
  veska_test::TempDir dir;
  veska_test::WriteFile(dir / "file", "abc");
  MachineSources sources;
  sources.crypto_library = "libveska-no-such-crypto.so.0";
  SetMachineSourcesForTesting(sources);
  char16_t text[42];
  EXPECT_FALSE(KvtGetStringMD5A("abc", 3, text, 42));
  EXPECT_FALSE(KvtGetStringMD5W(u"abc", 3, text, 42));
  EXPECT_FALSE(KvtGetFileMD5String(W(dir / "file").c_str(), text, 42));
  EXPECT_FALSE(KvtGetVideoMD5String(W(dir / "file").c_str(), text, 42));
  SetMachineSourcesForTesting({});
  EXPECT_TRUE(KvtGetFileMD5String(W(dir / "file").c_str(), text, 42));
}

// The client calls the digests from any of its threads: each call has an
// object, a crypto context and a loaded library of its own, and the library's
// lock count comes back to nothing.
TEST(Md5Test, DigestsFromSeveralThreadsAtOnce) {
  veska_test::TempDir dir;
  const std::string bytes = RandomBytes(400000, 11);
  veska_test::WriteFile(dir / "file", bytes);
  const auto whole = StringDigest(bytes);
  const auto prefix = StringDigest(bytes.substr(0, 307200));
  const uint32_t crc = static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
  ASSERT_TRUE(whole && prefix);
  std::vector<int> mismatches(4, 0);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < mismatches.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 20; ++i) {
        if (FileDigest(dir / "file") != whole) ++mismatches[t];
        if (VideoDigest(dir / "file") != prefix) ++mismatches[t];
        if (StringDigest("abc") != "900150983CD24FB0D6963F7D28E17F72") ++mismatches[t];
        if (KvtGetCRC32(bytes.data(), static_cast<uint32_t>(bytes.size())) != crc) ++mismatches[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
  EXPECT_EQ(DllCanUnloadNow(), KVT_S_OK);
}

TEST(Crc32Test, KnownValues) {
  EXPECT_EQ(KvtGetCRC32("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(KvtGetCRC32(nullptr, 9), 0u);
  EXPECT_EQ(KvtGetCRC32("123456789", 0), 0u);
}

// Every length from none to a few blocks of five 8-byte words, at every
// alignment, and long blocks whose length is no whole number of words.
TEST(Crc32Test, AgreesWithZlib) {
  const std::string bytes = RandomBytes((1 << 20) + 64, 7);
  auto agrees = [&](std::size_t offset, std::size_t length) {
    const auto* data = reinterpret_cast<const Bytef*>(bytes.data() + offset);
    return KvtGetCRC32(data, static_cast<uint32_t>(length)) == crc32(0, data, static_cast<uInt>(length));
  };
  for (std::size_t offset = 0; offset < 8; ++offset) {
    for (std::size_t length = 0; length <= 5 * 40 + 9; ++length) ASSERT_TRUE(agrees(offset, length)) << offset << " " << length;
  }
  for (std::size_t length : {4093u, 100000u, (1u << 20) - 1, 1u << 20}) {
    for (std::size_t offset : {0u, 5u}) EXPECT_TRUE(agrees(offset, length)) << offset << " " << length;
  }
}

TEST(UrlEncodeTest, WideText) {
  const std::vector<std::pair<std::u16string, std::u16string>> cases = {
      {u"a b&c", u"a%20b%26c"},
      {u"\u00E9", u"%C3%A9"},
      {u"\u4E2D", u"%E4%B8%AD"},
      {u"~", u"~"},
      {u"%^&'{}|[]\"<>\\ ", u"%25%5E%26%27%7B%7D%7C%5B%5D%22%3C%3E%5C%20"},
      {u"/?=#+:", u"/?=#+:"},
      {u"\t\x7F", u"\t\x7F"},
      {u"\x7F\x80\u07FF\u0800\uFFFF", u"\x7F%C2%80%DF%BF%E0%A0%80%EF%BF%BF"},
      // U+1F600 as its two halves, each as three bytes.
      {u"\U0001F600", u"%ED%A0%BD%ED%B8%80"},
      {u"", u""},
  };
  for (const auto& [text, encoded] : cases) {
    std::u16string out(9 * text.size() + 1, u'#');
    const int32_t written = KvtUrlEncodeW(text.c_str(), out.data());
    EXPECT_EQ(out.substr(0, static_cast<std::size_t>(written)), encoded) << platform::Utf16ToUtf8(text);
    EXPECT_EQ(written, static_cast<int32_t>(encoded.size()));
    EXPECT_EQ(out[static_cast<std::size_t>(written)], u'\0');
  }
  char16_t out[16];
  EXPECT_EQ(KvtUrlEncodeW(u"a b&c", out), 9);
}

TEST(UrlEncodeTest, NarrowText) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a b&c", "a%20b%26c"},
      {"say \"hi\"", "say%20\"hi\""},
      {"caf\xE9!", "caf!"},
      {"\xC3\xA9", ""},
      {"%^&'{}|[]<>\\ ", "%25%5E%26%27%7B%7D%7C%5B%5D%3C%3E%5C%20"},
      {"~/?=#+:", "~/?=#+:"},
  };
  for (const auto& [text, encoded] : cases) {
    std::string out(3 * text.size() + 1, '#');
    const int32_t written = KvtUrlEncodeA(text.c_str(), out.data());
    EXPECT_EQ(out.substr(0, static_cast<std::size_t>(written)), encoded) << text;
    EXPECT_EQ(written, static_cast<int32_t>(encoded.size()));
    EXPECT_EQ(out[static_cast<std::size_t>(written)], '\0');
  }
}

}  // namespace
}  // namespace kvt
