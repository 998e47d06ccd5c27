#include <gtest/gtest.h>

#include "support/run_program.h"

namespace {

// The helper serves /dev/log itself (in its own mount namespace), so what the
// system log would receive can be read back.
TEST(DebugOutputTest, TextReachesTheSystemLogAtDebugPriorityUnchanged) {
  const std::string text = "100% done %s %n \xE4\xB8\xAD\xE6\x96\x87";  // "%" is text, not format
  const auto run = veska_test::RunProgram(VESKA_PLATFORM_HELPER, {"syslog-capture", text});
  if (run.exit_code == 77) GTEST_SKIP() << "no private mount namespace here";
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out.substr(0, 4), "<15>") << run.out;  // user facility, debug priority
  EXPECT_TRUE(run.out.ends_with(": " + text)) << run.out;
}

}  // namespace
