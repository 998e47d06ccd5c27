#include "updater/cmdline/cmd_line_parser.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

using Values = std::vector<std::pair<std::u16string, std::u16string>>;

struct ParseCase {
  const char* what;
  std::u16string commandLine;
  Values expected;  // keys looked up and their values ("" also for absent keys)
};

TEST(CCmdLineParser, SwitchesFoundInOneCommandLine) {
  const ParseCase cases[] = {
      {"url and md5", u"-url=http://h/p/u.zip -md5=ABC",
       {{u"url", u"http://h/p/u.zip"}, {u"md5", u"ABC"}}},
      {"nothing", u"", {{u"url", u""}}},
      {"no prefix", u"url=x md5=y", {{u"url", u""}, {u"md5", u""}}},
      {"slash is no prefix", u"/url=x", {{u"url", u""}, {u"/url", u""}}},
      {"key in capitals, value keeps its case", u"-URL=http://H/X -Md5=AbC",
       {{u"url", u"http://H/X"}, {u"URL", u"http://H/X"}, {u"md5", u"AbC"}}},
      {"first occurrence wins", u"-url=a -url=b -URL=c", {{u"url", u"a"}}},
      {"quoted value with blanks and *", u"-prompt=\"fixed one*added two\" -newver=8.7.0",
       {{u"prompt", u"fixed one*added two"}, {u"newver", u"8.7.0"}}},
      {"unterminated quote takes the rest", u"-prompt=\"never closed -url=x",
       {{u"prompt", u"never closed -url=x"}, {u"url", u""}}},
      {"= then blank gives an empty value", u"-newver= -url=x",
       {{u"newver", u""}, {u"url", u"x"}}},
      {"= at the end", u"-url=x -newver=", {{u"url", u"x"}, {u"newver", u""}}},
      {"switch without = swallows the next", u"-force -url=x",
       {{u"url", u""}, {u"force -url", u"x"}}},
      {"switch without = at the end", u"-url=x -force", {{u"url", u"x"}, {u"force", u""}}},
      {"- at the end", u"-url=x -", {{u"url", u"x"}}},
      {"doubled prefix", u"--url=x", {{u"url", u""}, {u"-url", u"x"}}},
      {"colon does not separate", u"-url:x", {{u"url", u""}, {u"url:x", u""}}},
      {"- inside a value", u"-url=a-b -md5=c", {{u"url", u"a-b"}, {u"md5", u"c"}}},
      {"a tab does not end a value", u"-a=1\t-b=2", {{u"a", u"1\t-b=2"}, {u"b", u""}}},
      {"empty key is not stored", u"-=x -url=y", {{u"", u""}, {u"url", u"y"}}},
      {"only ASCII letters fold", u"-\u00c4B=1", {{u"\u00e4b", u""}, {u"\u00c4b", u"1"}}},
  };
  for (const auto& c : cases) {
    const CCmdLineParser parser(c.commandLine.c_str());
    for (const auto& [key, value] : c.expected) {
      EXPECT_EQ(parser.GetValue(key), value)
          << c.what << ": key \"" << platform::Utf16ToUtf8(key) << "\"";
    }
  }
}

TEST(CCmdLineParser, ParseReplacesEarlierValuesAndIgnoresNull) {
  CCmdLineParser parser(nullptr);
  EXPECT_EQ(parser.GetValue(u"a"), u"");
  parser.Parse(u"-a=1");
  parser.Parse(u"-b=2");
  EXPECT_EQ(parser.GetValue(u"a"), u"");
  EXPECT_EQ(parser.GetValue(u"b"), u"2");
  parser.Parse(nullptr);
  EXPECT_EQ(parser.GetValue(u"b"), u"2");
}

}  // namespace
