#include "outside/crash_generation/proc_maps.h"

#include <gtest/gtest.h>

namespace google_breakpad {
namespace {

TEST(ProcMaps, ParsesTheKernelsLineForms) {
  struct Case {
    const char* line;
    bool parses;
    uint64_t start, end, offset;
    bool readable, executable;
    const char* path;
  };
  const Case cases[] = {
      {"55d0c0a00000-55d0c0a02000 r-xp 00001000 fd:01 1234                       /usr/bin/app", true,
       0x55d0c0a00000, 0x55d0c0a02000, 0x1000, true, true, "/usr/bin/app"},
      {"7ffd1000-7ffd3000 rw-p 00000000 00:00 0                          [stack]", true, 0x7ffd1000,
       0x7ffd3000, 0, true, false, "[stack]"},
      {"7f0000000000-7f0000001000 ---p 00000000 00:00 0 ", true, 0x7f0000000000, 0x7f0000001000, 0, false,
       false, ""},
      {"7f0000000000-7f0000001000 rw-p 00000000 00:00 0", true, 0x7f0000000000, 0x7f0000001000, 0, true,
       false, ""},
      {"1000-2000 r--p 00000000 08:01 77 /tmp/with blank/lib.so (deleted)", true, 0x1000, 0x2000, 0, true,
       false, "/tmp/with blank/lib.so (deleted)"},
      {"garbage", false, 0, 0, 0, false, false, ""},
      {"2000-1000 r--p 00000000 08:01 77 /inverted", false, 0, 0, 0, false, false, ""},
      {"1000-2000 r-- 00000000 08:01 77 /short-perms", false, 0, 0, 0, false, false, ""},
      {"1000-2000 r--p zz 08:01 77 /bad-offset", false, 0, 0, 0, false, false, ""},
      {"", false, 0, 0, 0, false, false, ""},
  };
  for (const Case& c : cases) {
    const auto mappings = ParseProcMaps(c.line);
    ASSERT_EQ(mappings.size(), c.parses ? 1u : 0u) << c.line;
    if (!c.parses) continue;
    const MemoryMapping& m = mappings[0];
    EXPECT_EQ(m.start, c.start) << c.line;
    EXPECT_EQ(m.end, c.end) << c.line;
    EXPECT_EQ(m.offset, c.offset) << c.line;
    EXPECT_EQ(m.readable, c.readable) << c.line;
    EXPECT_EQ(m.executable, c.executable) << c.line;
    EXPECT_EQ(m.path, c.path) << c.line;
  }
}

TEST(ProcMaps, GroupsEachFilesSegmentsIntoOneModule) {
  const char* maps =
      "1000-2000 r--p 00000000 08:01 10 /bin/app\n"
      "2000-5000 r-xp 00001000 08:01 10 /bin/app\n"
      "5000-6000 rw-p 00004000 08:01 10 /bin/app\n"
      "6000-9000 rw-p 00000000 00:00 0 \n"                 // .bss after the file
      "10000-11000 r--p 00000000 08:01 11 /lib/libc.so\n"
      "11000-12000 ---p 00000000 00:00 0\n"                // gap inside the library
      "12000-13000 r-xp 00002000 08:01 11 /lib/libc.so\n"
      "20000-21000 r--p 00000000 08:01 11 /lib/libc.so\n"  // mapped a second time
      "30000-31000 r--p 00001000 08:01 12 /lib/partial.so\n"
      "40000-41000 r--p 00000000 00:00 0 [vdso]\n"
      "50000-51000 rw-s 00000000 00:05 13 relative/name\n";
  const auto files = MappedFiles(ParseProcMaps(maps));
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].path, "/bin/app");
  EXPECT_EQ(files[0].base, 0x1000u);
  EXPECT_EQ(files[0].end, 0x6000u);
  EXPECT_EQ(files[1].path, "/lib/libc.so");
  EXPECT_EQ(files[1].base, 0x10000u);
  EXPECT_EQ(files[1].end, 0x13000u);
  EXPECT_EQ(files[2].base, 0x20000u);
  EXPECT_EQ(files[2].end, 0x21000u);
}

}  // namespace
}  // namespace google_breakpad
