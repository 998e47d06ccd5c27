#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

struct RoundTrip {
  std::string utf8;
  std::u16string utf16;
};

TEST(TextTest, ValidTextSurvivesBothDirections) {
  const RoundTrip cases[] = {
      {"", u""},
      {"veska://room?id=1", u"veska://room?id=1"},
      {"\xE6\xA3\x80\xE6\xB5\x8B", u"\u68C0\u6D4B"},                 // two CJK characters
      {"\xC3\xA9\xC3\x9F", u"\u00E9\u00DF"},                          // two-byte forms
      {"\xF0\x9F\x98\x80!", u"\xD83D\xDE00!"},                        // outside the BMP
      {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},                          // U+10FFFF, the last
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},           // NUL is data
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
    EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8) << c.utf8;
    EXPECT_TRUE(platform::IsValidUtf8(c.utf8)) << c.utf8;
    EXPECT_EQ(platform::ReplaceInvalidUtf8(c.utf8), c.utf8);
  }
}

// One U+FFFD for each maximal invalid part, never a lost neighbour.
TEST(TextTest, InvalidUtf8BecomesReplacementCharacters) {
  const struct {
    std::string input;
    std::u16string expected;
  } cases[] = {
      {"a\xFF" "b", u"a\uFFFDb"},                          // byte never used in UTF-8
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                       // overlong "/"
      {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},             // overlong three-byte form
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},             // encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},   // above U+10FFFF
      {"\xE6\xA3" "x", u"\uFFFDx"},                        // cut sequence, next char kept
      {"x\xF0\x9F\x98", u"x\uFFFD"},                       // cut at the end
      {"\x80\x80", u"\uFFFD\uFFFD"},                       // stray continuation bytes
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToUtf16(c.input), c.expected) << testing::PrintToString(c.input);
    EXPECT_FALSE(platform::IsValidUtf8(c.input)) << testing::PrintToString(c.input);
    EXPECT_EQ(platform::ReplaceInvalidUtf8(c.input), Utf16ToUtf8(c.expected))
        << testing::PrintToString(c.input);
  }
}

TEST(TextTest, UnpairedSurrogatesBecomeReplacementCharacters) {
  const struct {
    std::u16string input;
    std::string expected;
  } cases[] = {
      {u"\xD800", "\xEF\xBF\xBD"},
      {u"a\xDC00" "b", "a\xEF\xBF\xBD" "b"},
      {u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},                // pair in the wrong order
      {u"\xD83D\xD83D\xDE00", "\xEF\xBF\xBD\xF0\x9F\x98\x80"},      // extra high, then a pair
  };
  for (const auto& c : cases) EXPECT_EQ(Utf16ToUtf8(c.input), c.expected);
}

TEST(TextTest, LowerCaseCoversCommonAlphabetsAndLeavesTheRest) {
  const struct {
    std::u16string input;
    std::u16string expected;
  } cases[] = {
      {u"VeskaRoom.EXE", u"veskaroom.exe"},
      {u"@[`{", u"@[`{"},                                      // neighbours of the letters
      {u"\u00C0\u00C9\u00D7\u00DE", u"\u00E0\u00E9\u00D7\u00FE"},  // the multiplication sign stays
      {u"\u0100\u0101\u0178\u0130", u"\u0101\u0101\u00FF\u0069"},
      {u"\u01CD\u01D9", u"\u01CE\u01DA"},                      // pinyin tone letters
      {u"\u0391\u03A3\u0386", u"\u03B1\u03C3\u03AC"},           // Greek
      {u"\u0414\u041E\u041C\u0401", u"\u0434\u043E\u043C\u0451"},  // Cyrillic
      {u"\uFF21\uFF3A", u"\uFF41\uFF5A"},                       // full-width Latin
      {u"\u68C0\u6D4B 123", u"\u68C0\u6D4B 123"},               // no case
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::ToLowerUtf16(c.input), c.expected);
    EXPECT_EQ(platform::ToLowerUtf8(Utf16ToUtf8(c.input)), Utf16ToUtf8(c.expected));
  }
}

TEST(TextTest, LowerCaseOfUtf8KeepsInvalidBytes) {
  EXPECT_EQ(platform::ToLowerUtf8("AB\xFF\xC3" "C\xC3\x89"), "ab\xFF\xC3" "c\xC3\xA9");
}

TEST(TextTest, AsciiCaseInsensitiveComparison) {
  const struct {
    std::string_view a, b;
    bool equal;
  } cases[] = {
      {"veskaroom.exe", "VESKAROOM.EXE", true},
      {"", "", true},
      {"veskaroom.exe", "veskaroom.ex", false},
      {"@", "`", false},  // 0x40 and 0x60 differ only in the case bit
      {"[", "{", false},
      {"\xC3\xA9", "\xC3\x89", false},  // é and É: only ASCII letters fold
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::EqualsIgnoreAsciiCase(c.a, c.b), c.equal) << c.a << " vs " << c.b;
  }
}

TEST(TextTest, ControlCharactersBecomeEscapesAndNothingElseChanges) {
  const struct {
    std::string_view text, escaped;
  } cases[] = {
      {"a\nb\r\nc\td", "a\\nb\\r\\nc\\td"},
      // A newline that ends the text ends its line; it cannot start another.
      {"done\n", "done\n"},
      {"\n\n", "\\n\n"},
      {std::string_view("\0\x01\x1F\x7F", 4), "\\x00\\x01\\x1F\\x7F"},
      // Backslashes, "%", "|", UTF-8 and invalid bytes pass as they are.
      {"C:\\x\\n %d|\xE4\xB8\xAD\xFF\x80", "C:\\x\\n %d|\xE4\xB8\xAD\xFF\x80"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(platform::EscapeControlCharacters(c.text), c.escaped) << c.text;
}

}  // namespace
