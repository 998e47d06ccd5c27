// Every program in tools/ and bench/ prints its usage on standard output with
// exit code 0 for --help, and names a bad option or value on standard error
// with exit code 2, running nothing.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_program.h"

namespace {

struct BadLine {
  std::vector<std::string> args;
  std::string named;  // what the error must name
};

struct ToolCase {
  const char* name;
  std::string program;
  std::vector<BadLine> bad_lines;
};

void PrintTo(const ToolCase& c, std::ostream* os) { *os << c.name; }

std::vector<ToolCase> Tools() {
  std::vector<ToolCase> tools = {
      {"crash_collector",
       CRASH_COLLECTOR,
       {{{"--store=unused", "--bogus"}, "--bogus"},
        {{"--bogus"}, "--bogus"},
        {{"--port=1"}, "--store"},
        {{"--store=unused", "--port=70000"}, "--port"},
        {{"--store"}, "--store"}}},
      {"faulty_http",
       FAULTY_HTTP,
       {{{"--file", "f", "--drop-after", "abc"}, "--drop-after"},
        {{"--file=f", "-x"}, "-x"},
        {{"--file", "f", "--lifetime", "0"}, "--lifetime"}}},
      // The client keeps unknown arguments as the launcher's words; only a bad
      // value of its own switches is refused.
      {"veskaroom.exe",
       VESKAROOM_EXE,
       {{{"word", "-heartbeat-ms=soon"}, "--heartbeat-ms"}, {{"--script=bogus"}, "--script"}}},
#ifdef BENCH_LAUNCHER_LOG
      {"bench_launcher_log", BENCH_LAUNCHER_LOG, {{{"1000"}, "1000"}, {{"--rounds=0"}, "--rounds"}}},
#endif
#ifdef BENCH_KVT_HASHING
      {"bench_kvt_hashing",
       BENCH_KVT_HASHING,
       {{{"--size-mib=4096"}, "--size-mib"}, {{"--rounds", "x"}, "--rounds"}, {{"file.bin"}, "file.bin"}}},
#endif
  };
  return tools;
}

class ToolCommandLine : public testing::TestWithParam<ToolCase> {};

TEST_P(ToolCommandLine, HelpGoesToStandardOutputWithExitZero) {
  const auto run = veska_test::RunProgram(GetParam().program, {"--help"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out.rfind("Usage: " + std::string(GetParam().name) + " ", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("--help"), std::string::npos);
  EXPECT_EQ(run.err, "");
}

TEST_P(ToolCommandLine, ABadLineIsNamedWithExitTwo) {
  for (const BadLine& line : GetParam().bad_lines) {
    const auto run = veska_test::RunProgram(GetParam().program, line.args);
    EXPECT_EQ(run.exit_code, 2) << line.named;
    EXPECT_EQ(run.out, "") << line.named;
    EXPECT_EQ(run.err.rfind(std::string(GetParam().name) + ": ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(line.named), std::string::npos) << run.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Tools, ToolCommandLine, testing::ValuesIn(Tools()),
                         [](const testing::TestParamInfo<ToolCase>& info) {
                           std::string name = info.param.name;
                           for (char& c : name) {
                             if (c == '.') c = '_';
                           }
                           return name;
                         });

}  // namespace
