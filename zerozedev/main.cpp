// VeskaRoomLaunch: started from the desktop shortcut or a "veska://" address.
#include <string>
#include <vector>

#include "zerozedev/launch_arguments.h"
#include "zerozedev/launcher_entry.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return zerozedev::wWinMain(zerozedev::CommandLineFromArgv(args));
}
