#include "tools/veskaroom/client_options.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tools/veskaroom/escaped_text.h"

namespace {

ClientOptions Parsed(const std::vector<std::string>& args) {
  ClientOptions options;
  EXPECT_EQ(ParseClientOptions(args, options), std::nullopt);
  return options;
}

TEST(ClientOptions, LauncherLineWithRepeatedSwitches) {
  // The shape the launcher renders: its words (a -k=v word twice, once as a
  // token and once as a switch), then host and crash_server.
  const ClientOptions o = Parsed(
      {"veska://room/1", "-url=u1", "x=1", "--record=/r", "--heartbeat-ms=50", "-other=v", "--", "-hello", "", "-", "-host",
       "-url=u1", "-record=/r", "-heartbeat-ms=50", "-host=4242_3499211612",
       "-crash_server=\\\\.\\pipe\\BreakpadCrashServices\\veskaroom.exe", "-host=late"});
  EXPECT_EQ(o.host, "4242_3499211612");  // the first value wins
  EXPECT_EQ(o.crash_server, "\\\\.\\pipe\\BreakpadCrashServices\\veskaroom.exe");
  EXPECT_EQ(o.url, "u1");
  EXPECT_EQ(o.record_path, "/r");
  EXPECT_EQ(o.heartbeat_ms, 50);
  EXPECT_EQ(o.words, (std::vector<std::string>{"veska://room/1", "x=1", "-other=v", "--", "-hello", "", "-", "-host"}));
}

TEST(ClientOptions, EverySwitchFormGivesTheSameValue) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"-lifetime-ms=7", "-url="}, {"--lifetime-ms=7", "--url="}, {"--lifetime-ms", "7", "--url", ""}}) {
    const ClientOptions o = Parsed(args);
    EXPECT_EQ(o.lifetime_ms, 7) << args[0];
    EXPECT_EQ(o.url, "") << args[0];
    EXPECT_TRUE(o.words.empty()) << args[0];
  }
}

TEST(ClientOptions, ScriptStepsInOrder) {
  const auto steps = Parsed({"--script=url:a%2Cb%3Ac,wait:25,url:,exit_request,quit:3"}).script;
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

TEST(ClientOptions, UsageNamesEverySwitchAndStep) {
  const std::string usage = ClientUsage();
  for (const char* key : {"--host", "--crash_server", "--url", "--record", "--heartbeat-ms", "--script",
                          "--lifetime-ms", "--handoff", "exit_request", "quit:"}) {
    EXPECT_NE(usage.find(key), std::string::npos) << key;
  }
}

class BadClientOption : public testing::TestWithParam<const char*> {};

TEST_P(BadClientOption, IsRefusedWithTheSwitchNamed) {
  const std::string arg = GetParam();
  const std::string key = arg.substr(1, arg.find('=') - 1);
  ClientOptions options;
  testing::internal::CaptureStderr();
  const auto exit_code = ParseClientOptions({arg}, options);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(exit_code, 2);
  EXPECT_EQ(err.rfind("veskaroom.exe: --" + key + ": ", 0), 0u) << err;
}

INSTANTIATE_TEST_SUITE_P(Cases, BadClientOption,
                         testing::Values("-heartbeat-ms=x", "-heartbeat-ms=", "-lifetime-ms=-1",
                                         "-lifetime-ms=99999999999999999999", "-handoff=maybe", "-script=bogus",
                                         "-script=wait", "-script=wait:1e3", "-script=exit_request:1",
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
