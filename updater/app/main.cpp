// veskaUpdater (temp/Updater.exe): downloads, verifies and installs an update
// package as the classroom client orders it on the command line.

#include <cstdio>
#include <string>
#include <vector>

#include "platform/module_resources.h"
#include "updater/app/updater_entry.h"
#include "updater/cmdline/command_line_from_arguments.h"
#include "updater/cmdline/usage_text.h"

int main(int argc, char** argv) {
  // Someone started it by hand; the client always gives switches.
  if (argc < 2) std::fputs(UpdaterUsageText(), stderr);
  const std::u16string commandLine = CommandLineFromArguments(std::vector<std::string>(argv + 1, argv + argc));
  return UpdaterEntry(platform::ProgramModule(), commandLine, argc);
}
