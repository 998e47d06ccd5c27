#include "updater/cmdline/command_line_from_arguments.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "updater/cmdline/cmd_line_parser.h"

namespace {

TEST(CommandLineFromArguments, JoinsWithBlanksAndQuotesValuesWithBlanks) {
  const struct {
    std::vector<std::string> arguments;
    std::u16string expected;
  } cases[] = {
      {{}, u""},
      {{"-url=http://h/u.zip", "-md5=ABC"}, u"-url=http://h/u.zip -md5=ABC"},
      {{"-prompt=a b*c", "-newver=2"}, u"-prompt=\"a b*c\" -newver=2"},
      {{"-prompt=\"a b\""}, u"-prompt=\"a b\""},  // already quoted
      {{"-a b=c d"}, u"-a b=\"c d\""},           // quoted after the first "="
      {{"-a b=c"}, u"-a b=c"},                   // the blank is not in the value
      {{"plain words"}, u"plain words"},
      {{"-prompt=\xe6\x96\xb0 \xe7\x89\x88"}, u"-prompt=\"\u65b0 \u7248\""},
      {{"", "-x=1"}, u" -x=1"},
  };
  for (const auto& c : cases) EXPECT_EQ(CommandLineFromArguments(c.arguments), c.expected);
}

TEST(CommandLineFromArguments, ParserSeesTheValuesAsPassed) {
  const struct {
    std::vector<std::string> arguments;
    std::vector<std::pair<std::u16string, std::u16string>> expected;
  } cases[] = {
      {{"-prompt=a b*c", "-url=x"}, {{u"prompt", u"a b*c"}, {u"url", u"x"}}},
      {{"-newver= 8.7", "-url=x"}, {{u"newver", u" 8.7"}, {u"url", u"x"}}},
      {{"-prompt=-url=y z", "-url=x"}, {{u"prompt", u"-url=y z"}, {u"url", u"x"}}},
      {{"-prompt=\"q r\"", "-md5=m"}, {{u"prompt", u"q r"}, {u"md5", u"m"}}},
  };
  for (const auto& c : cases) {
    const std::u16string text = CommandLineFromArguments(c.arguments);
    const CCmdLineParser parser(text.c_str());
    for (const auto& [key, value] : c.expected) EXPECT_EQ(parser.GetValue(key), value);
  }
}

}  // namespace
