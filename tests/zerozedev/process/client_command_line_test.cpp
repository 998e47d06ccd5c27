#include "zerozedev/process/client_command_line.h"

#include <gtest/gtest.h>

namespace zerozedev {
namespace {

using Tokens = std::vector<std::string>;

struct SplitCase {
  const char* text;
  const char* delimiter;
  Tokens expected;
};

// Readable and stable test names.
void PrintTo(const SplitCase& c, std::ostream* out) {
  *out << testing::PrintToString(std::string(c.text)) << " by "
       << testing::PrintToString(std::string(c.delimiter));
}

class SplitTokensTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTokensTest, CutsAtDelimiters) {
  const auto& c = GetParam();
  EXPECT_EQ(ClientCommandLine::SplitTokens(c.text, c.delimiter), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitTokensTest,
    testing::Values(SplitCase{"veskaroom.exe x y ", " ", {"veskaroom.exe", "x", "y"}},
                    // Runs of blanks act as one separator.
                    SplitCase{"veskaroom.exe   x  ", " ", {"veskaroom.exe", "x"}},
                    // Without a trailing delimiter the last word is dropped.
                    SplitCase{"a b", " ", {"a"}},
                    SplitCase{"abc", " ", {"abc"}},
                    SplitCase{"", " ", {""}},
                    SplitCase{"a b ", "", {"a b "}},
                    SplitCase{"a, b, ", ", ", {"a", "b"}}));

// Builds the line the way the client run does for a launcher argument text.
std::string LineFor(const std::string& launch_arguments) {
  ClientCommandLine line;
  line.AddArgs(ClientCommandLine::SplitTokens("veskaroom.exe " + launch_arguments + " ", " "));
  line.AddSwitch("host", "N");
  line.AddSwitch("crash_server", "P");
  return line.RenderUtf8();
}

struct LineCase {
  const char* launch_arguments;
  const char* expected;
};

void PrintTo(const LineCase& c, std::ostream* out) {
  *out << testing::PrintToString(std::string(c.launch_arguments));
}

class ClientLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(ClientLineTest, RendersTokensThenSwitches) {
  EXPECT_EQ(LineFor(GetParam().launch_arguments), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClientLineTest,
    testing::Values(
        LineCase{"", "veskaroom.exe -host=N -crash_server=P "},
        LineCase{"x y", "veskaroom.exe x y -host=N -crash_server=P "},
        LineCase{"-url=a b", "veskaroom.exe -url=a b -url=a -host=N -crash_server=P "},
        // The first value for a key wins; both tokens stay.
        LineCase{"x=1 x=2", "veskaroom.exe x=1 x=2 -x=1 -host=N -crash_server=P "},
        LineCase{"--k=v", "veskaroom.exe --k=v -k=v -host=N -crash_server=P "},
        // Only the first '=' splits key from value.
        LineCase{"a==b", "veskaroom.exe a==b -a==b -host=N -crash_server=P "},
        // A launcher argument for "host" takes the place of the run's value.
        LineCase{"-host=mine", "veskaroom.exe -host=mine -host=mine -crash_server=P "},
        LineCase{"=v", "veskaroom.exe =v -=v -host=N -crash_server=P "}));

TEST(ClientCommandLineTest, RemovedSwitchComesBackAtTheEndWithTheNewValue) {
  ClientCommandLine line;
  line.AddSwitch("url", "u1");
  line.AddSwitch("host", "N");
  line.AddSwitch("url", "ignored");
  line.RemoveSwitch("url");
  line.AddSwitch("url", "u2");
  const std::vector<CommandLineSwitch> expected{{"host", "N"}, {"url", "u2"}};
  EXPECT_EQ(line.switches(), expected);

  line.RemoveSwitch("absent");
  EXPECT_EQ(line.switches(), expected);
}

TEST(ClientCommandLineTest, SwitchKeysCompareExactly) {
  ClientCommandLine line;
  line.AddArgs({"-URL=a", "-url=b"});
  const std::vector<CommandLineSwitch> expected{{"URL", "a"}, {"url", "b"}};
  EXPECT_EQ(line.switches(), expected);
  EXPECT_EQ(line.tokens(), (Tokens{"-URL=a", "-url=b"}));
}

TEST(ClientCommandLineTest, WideLineDecodesUtf8AndMarksBrokenBytes) {
  ClientCommandLine line;
  line.AddArgs({"veskaroom.exe", "\xc3\xbc"});
  line.AddSwitch("url", "a\xff");
  EXPECT_EQ(line.GetCommandLineString(), u"veskaroom.exe \u00fc -url=a\ufffd ");
}

}  // namespace
}  // namespace zerozedev
