#include "zerozedev/launch_arguments.h"

#include <gtest/gtest.h>

namespace zerozedev {
namespace {

struct ArgumentCase {
  std::u16string command_line;
  std::u16string expected;
};

TEST(LaunchArgumentText, TextAfterFirstPrefixOrWholeLine) {
  const ArgumentCase cases[] = {
      {u"veska://room?id=1", u"room?id=1"},
      {u"abc veska://x y", u"x y"},
      {u"-url=a b", u"-url=a b"},
      {u"", u""},
      {u"veska://a veska://b", u"a veska://b"},
      {u"VESKA://x", u"VESKA://x"},  // the prefix is matched with its case
      {u"veska://", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LaunchArgumentText(c.command_line), c.expected);
  }
}

TEST(CommandLineFromArgv, JoinsWithSingleBlanks) {
  EXPECT_EQ(CommandLineFromArgv({}), u"");
  EXPECT_EQ(CommandLineFromArgv({"abc", "veska://x", "y"}), u"abc veska://x y");
  EXPECT_EQ(CommandLineFromArgv({"veska://\xe6\x95\x99"}), u"veska://\u6559");
}

}  // namespace
}  // namespace zerozedev
