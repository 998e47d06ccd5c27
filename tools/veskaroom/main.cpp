// veskaroom.exe: the substitute classroom client (usage: --help).

#include <cstdio>
#include <string>
#include <vector>

#include "tools/veskaroom/classroom_client.h"
#include "tools/veskaroom/client_options.h"

namespace {
constexpr int kExitBadCommandLine = 64;
}

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const ParsedOptions parsed = ParseClientOptions(args);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "veskaroom.exe: %s\n\n%s", parsed.error.c_str(), UsageText().c_str());
    return kExitBadCommandLine;
  }
  if (parsed.options.show_usage) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  return RunClassroomClient(parsed.options);
}
