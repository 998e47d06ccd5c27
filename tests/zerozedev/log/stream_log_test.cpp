#include "zerozedev/log/stream_log.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/files.h"
#include "support/regex_match.h"
#include "zerozedev/log/custom_log_message.h"
#include "zerozedev/log/filtering_logger.h"
#include "zerozedev/log/log_data.h"
#include "zerozedev/log/message_prefix.h"
#include "zerozedev/log/ostream_logger.h"
#include "zerozedev/log/zm_logger.h"

namespace {

constexpr std::int64_t k20230315_010507 = 1678842307;

TEST(StreamLogPrefixTest, PrefixHasTheLevelLetterAndTheUtcTimeWithoutLeadingZeros) {
  const struct {
    int level;
    std::int64_t seconds;
    const char* prefix;
  } cases[] = {
      {cpplog::kInfo, k20230315_010507, "[WFE][I][2023-3-15 1:5:7] "},
      {cpplog::kInfo, 1704067199, "[WFE][I][2023-12-31 23:59:59] "},
      {cpplog::kInfo, 1709208000, "[WFE][I][2024-2-29 12:0:0] "},
      {cpplog::kInfo, 0, "[WFE][I][1970-1-1 0:0:0] "},
      {cpplog::kTrace, 0, "[WFE][T][1970-1-1 0:0:0] "},
      {cpplog::kDebug, 0, "[WFE][D][1970-1-1 0:0:0] "},
      {cpplog::kWarn, 0, "[WFE][W][1970-1-1 0:0:0] "},
      {cpplog::kError, 0, "[WFE][E][1970-1-1 0:0:0] "},
      {cpplog::kFatal, 0, "[WFE][F][1970-1-1 0:0:0] "},
      {6, 0, "[WFE][O][1970-1-1 0:0:0] "},
      {-1, 0, "[WFE][O][1970-1-1 0:0:0] "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cpplog::MessagePrefix(c.level, cpplog::UtcTime(c.seconds)), c.prefix) << c.level << " " << c.seconds;
  }
}

// The line a message delivers to a stream, made at 2023-03-15 01:05:07 UTC.
template <class Fill>
std::string DeliveredLine(Fill fill) {
  std::ostringstream out;
  cpplog::OstreamLogger logger(out);
  {
    n_log::CustomLogMessage message(logger, k20230315_010507, "zerozedev", "wWinMain", 1);
    fill(message);
  }
  return out.str();
}

TEST(StreamLogMessageTest, LineEndsWithExactlyOneNewlineAndIsCutAtTheBuffer) {
  const std::string prefix = "[WFE][I][2023-3-15 1:5:7] ";
  const std::size_t room = cpplog::LogData::kBufferSize - prefix.size();
  const struct {
    const char* name;
    std::string body;
    std::string line;
  } cases[] = {
      {"plain", "class path: veskaroom.exe", prefix + "class path: veskaroom.exe\n"},
      {"ends with a newline", "done\n", prefix + "done\n"},
      // Text inserted from a command line or a peer cannot start a line of its own.
      {"inner control characters are escaped", "par: x\n[WFE][I][forged]\r\x01\n",
       prefix + "par: x\\n[WFE][I][forged]\\r\\x01\n"},
      {"empty", "", prefix + "\n"},
      {"fits with its newline", std::string(room - 1, 'x'), prefix + std::string(room - 1, 'x') + "\n"},
      // A full buffer gives its last byte to the newline.
      {"fills the buffer", std::string(room, 'x'), prefix + std::string(room - 1, 'x') + "\n"},
      {"longer than the buffer", std::string(30000, 'x'), prefix + std::string(room - 1, 'x') + "\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DeliveredLine([&](auto& m) { m << c.body; }), c.line) << c.name;
  }
}

TEST(StreamLogMessageTest, NumbersAreDecimalAndWideTextIsUtf8) {
  const std::string line = DeliveredLine([](auto& m) {
    m << "par: " << std::u16string(u"veska://课堂?id=") << 42 << u" " << -7 << ' ' << 2.5;
  });
  EXPECT_EQ(line, "[WFE][I][2023-3-15 1:5:7] par: veska://课堂?id=42 -7 2.5\n");
}

// What each sink of a root received, and the root's answer.
struct ChainResult {
  std::string debugger;
  std::string stdErr;
  bool delivered;
};

enum class DebuggerTarget { kStream, kNone, kThrowing };

ChainResult DeliverThroughRoot(DebuggerTarget target, int debuggerLowestLevel, bool debuggerOn, bool stdErrOn) {
  std::ostringstream debuggerOut;
  std::ostringstream stdErrOut;
  char noRoom[1];
  cpplog::helpers::fixed_streambuf full(noRoom, 0);  // every write fails, and so throws
  std::ostream throwing(&full);
  throwing.exceptions(std::ios::badbit);

  cpplog::OstreamLogger debuggerStream(target == DebuggerTarget::kThrowing ? throwing : debuggerOut);
  cpplog::OstreamLogger stdErrStream(stdErrOut);
  cpplog::ZmDbgLogger debugger(debuggerLowestLevel, target == DebuggerTarget::kNone ? nullptr : &debuggerStream,
                               false);
  cpplog::ZmStdLogger stdErr(cpplog::kTrace, &stdErrStream, false);
  cpplog::ZmLogger root;
  root.AddDebuggerSink(&debugger);
  root.AddStdErrSink(&stdErr);
  root.EnableSink(cpplog::ZmLogger::Sink::kDebugger, debuggerOn);
  root.EnableSink(cpplog::ZmLogger::Sink::kStdErr, stdErrOn);

  cpplog::LogData record(cpplog::kInfo, "zerozedev", 1, 0);
  record.stream << "line\n";
  const bool delivered = root.Deliver(record);
  return {debuggerOut.str(), stdErrOut.str(), delivered};
}

TEST(StreamLogRootTest, RecordGoesToEachEnabledSinkUntilOneCannotTakeIt) {
  const struct {
    const char* name;
    DebuggerTarget target;
    int debuggerLowestLevel;
    bool debuggerOn;
    bool stdErrOn;
    ChainResult expected;
  } cases[] = {
      {"both sinks", DebuggerTarget::kStream, cpplog::kTrace, true, true, {"line\n", "line\n", true}},
      {"debugger off", DebuggerTarget::kStream, cpplog::kTrace, false, true, {"", "line\n", true}},
      {"standard error off", DebuggerTarget::kStream, cpplog::kTrace, true, false, {"line\n", "", true}},
      {"filtered out, chain goes on", DebuggerTarget::kStream, cpplog::kWarn, true, true, {"", "line\n", true}},
      {"no forward logger stops it", DebuggerTarget::kNone, cpplog::kTrace, true, true, {"", "", false}},
      {"a throwing sink ends the round", DebuggerTarget::kThrowing, cpplog::kTrace, true, true, {"", "", true}},
  };
  for (const auto& c : cases) {
    const ChainResult got = DeliverThroughRoot(c.target, c.debuggerLowestLevel, c.debuggerOn, c.stdErrOn);
    EXPECT_EQ(got.debugger, c.expected.debugger) << c.name;
    EXPECT_EQ(got.stdErr, c.expected.stdErr) << c.name;
    EXPECT_EQ(got.delivered, c.expected.delivered) << c.name;
  }
}

TEST(StreamLogRootTest, DebuggerOutputReceivesPiecesOfAtMost256Characters) {
  const struct {
    std::size_t length;
    std::vector<std::size_t> pieces;
  } cases[] = {
      {10, {10}},
      {256, {256}},
      {257, {256, 1}},
      {600, {256, 256, 88}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> pieces;
    cpplog::OutputDebugStringLogger logger([&](std::string_view piece) { pieces.emplace_back(piece); });
    cpplog::LogData record(cpplog::kInfo, "zerozedev", 1, 0);
    for (std::size_t i = 0; i < c.length; ++i) record.stream << static_cast<char>('a' + i % 26);
    EXPECT_TRUE(logger.Deliver(record));

    std::vector<std::size_t> sizes;
    std::string joined;
    for (const auto& piece : pieces) {
      sizes.push_back(piece.size());
      joined += piece;
    }
    EXPECT_EQ(sizes, c.pieces) << c.length;
    EXPECT_EQ(joined, record.text()) << c.length;
  }
}

TEST(StreamLogRootTest, ProcessRootWritesTheLineToStandardError) {
  testing::internal::CaptureStderr();
  ZM_LOG_INFO("zerozedev", "wWinMain") << "class path: " << std::u16string(u"veskaroom.exe");
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(veska_test::RegexMatch(
      err,
      "\\[WFE\\]\\[I\\]\\[[0-9]{4}-[0-9]{1,2}-[0-9]{1,2} [0-9]{1,2}:[0-9]{1,2}:[0-9]{1,2}\\] "
      "class path: veskaroom\\.exe\n"))
      << err;
}

TEST(StreamLogRootTest, LinesFromSeveralThreadsStayWhole) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 300;
  std::ostringstream out;
  cpplog::OstreamLogger stream(out);
  cpplog::ZmStdLogger stdErr(cpplog::kTrace, &stream, false);
  cpplog::ZmLogger root;
  root.AddStdErrSink(&stdErr);

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&root, t] {
      for (int i = 0; i < kPerThread; ++i) {
        n_log::CustomLogMessage(root, k20230315_010507, "cefprocessmanager", "f", 1)
            << "thread " << t << " line " << i << " " << std::string(100, static_cast<char>('a' + t));
      }
    });
  }
  for (auto& thread : threads) thread.join();

  const std::string kLine = "\\[WFE\\]\\[I\\]\\[2023-3-15 1:5:7\\] thread ([0-3]) line [0-9]+ ([a-d]{100})";
  int lines = 0;
  for (const auto& line : veska_test::SplitLines(out.str())) {
    const auto parts = veska_test::RegexGroups(line, kLine);
    ASSERT_TRUE(parts) << line;
    EXPECT_EQ((*parts)[2], std::string(100, static_cast<char>('a' + std::stoi((*parts)[1]))));
    ++lines;
  }
  EXPECT_EQ(lines, kThreads * kPerThread);
}

}  // namespace
