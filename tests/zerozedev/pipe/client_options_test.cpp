#include "tools/veskaroom/client_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/veskaroom/escaped_text.h"

namespace {

TEST(ClientOptions, LauncherLineWithRepeatedSwitches) {
  // The shape the launcher renders: its words (a -k=v word twice, once as a
  // token and once as a switch), then host and crash_server.
  const ParsedOptions parsed = ParseClientOptions(
      {"veska://room/1", "-url=u1", "x=1", "-record=/r", "--heartbeat_ms=50", "-other=v",
       "-url=u1", "-record=/r", "-heartbeat_ms=50", "-host=4242_3499211612",
       "-crash_server=\\\\.\\pipe\\BreakpadCrashServices\\veskaroom.exe", "-host=late"});
  ASSERT_EQ(parsed.error, "");
  const ClientOptions& o = parsed.options;
  EXPECT_EQ(o.host, "4242_3499211612");  // the first value wins
  EXPECT_EQ(o.crash_server, "\\\\.\\pipe\\BreakpadCrashServices\\veskaroom.exe");
  EXPECT_EQ(o.url, "u1");
  EXPECT_EQ(o.record_path, "/r");
  EXPECT_EQ(o.heartbeat_ms, 50);
  EXPECT_EQ(o.words, (std::vector<std::string>{"veska://room/1", "x=1", "-other=v"}));
  EXPECT_FALSE(o.show_usage);
}

TEST(ClientOptions, ScriptStepsInOrder) {
  const ParsedOptions parsed =
      ParseClientOptions({"-script=url:a%2Cb%3Ac,wait:25,url:,exit_request,quit:3"});
  ASSERT_EQ(parsed.error, "");
  const auto& steps = parsed.options.script;
  ASSERT_EQ(steps.size(), 5u);
  EXPECT_EQ(steps[0].kind, ScriptStep::Kind::kSendUrl);
  EXPECT_EQ(steps[0].text, "a,b:c");
  EXPECT_EQ(steps[1].kind, ScriptStep::Kind::kWait);
  EXPECT_EQ(steps[1].number, 25);
  EXPECT_EQ(steps[2].kind, ScriptStep::Kind::kSendUrl);
  EXPECT_EQ(steps[2].text, "");
  EXPECT_EQ(steps[3].kind, ScriptStep::Kind::kExitRequest);
  EXPECT_EQ(steps[4].kind, ScriptStep::Kind::kQuit);
  EXPECT_EQ(steps[4].number, 3);
}

TEST(ClientOptions, UsageWhenAskedOrGivenNothing) {
  EXPECT_TRUE(ParseClientOptions({}).options.show_usage);
  EXPECT_TRUE(ParseClientOptions({"--help"}).options.show_usage);
  const std::string usage = UsageText();
  for (const char* key : {"-host=", "-crash_server=", "-url=", "-record=", "-heartbeat_ms=",
                          "-script=", "-lifetime_ms=", "-handoff=", "exit_request", "quit:"}) {
    EXPECT_NE(usage.find(key), std::string::npos) << key;
  }
}

class BadClientOption : public testing::TestWithParam<const char*> {};

TEST_P(BadClientOption, IsRefusedWithTheSwitchNamed) {
  const ParsedOptions parsed = ParseClientOptions({GetParam()});
  const std::string arg = GetParam();
  const std::string key = arg.substr(1, arg.find('=') - 1);
  EXPECT_EQ(parsed.error.rfind("-" + key + ": ", 0), 0u) << parsed.error;
}

INSTANTIATE_TEST_SUITE_P(Cases, BadClientOption,
                         testing::Values("-heartbeat_ms=x", "-heartbeat_ms=", "-lifetime_ms=-1",
                                         "-handoff=maybe", "-script=bogus", "-script=wait",
                                         "-script=wait:1e3", "-script=exit_request:1",
                                         "-script=url", "-script=wait:5,",
                                         "-script=quit:99999999999999999999"));

TEST(EscapedText, RoundTripsTheBytesThatMatter) {
  struct Case {
    std::string raw, recorded;
  };
  for (const Case& c : std::vector<Case>{{"room/2?a=1", "room/2?a=1"},
                                         {"a\nb\r", "a%0Ab%0D"},
                                         {std::string("\0%\x7f", 3), "%00%25%7F"},
                                         {"\xe4\xbd\xa0", "\xe4\xbd\xa0"}}) {
    EXPECT_EQ(EscapeForRecord(c.raw), c.recorded);
    EXPECT_EQ(PercentDecode(c.recorded), c.raw);
  }
  EXPECT_EQ(PercentDecode("100%"), "100%");  // no escape without two hex digits
  EXPECT_EQ(PercentDecode("%zz%4"), "%zz%4");
}

}  // namespace
