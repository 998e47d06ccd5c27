// launcher_log_child <records> <return|exit>: opens the process's log as the
// launcher does, queues the records "record <i>" and ends at once, by
// returning from main or through exit().

#include <cstdlib>
#include <cstring>

#include "zerozedev/log/launcher_log.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const int records = std::atoi(argv[1]);
  LauncherLog::Instance().Open("zerozedev");
  for (int i = 0; i < records; ++i) LAUNCHER_LOG("zerozedev", "main", "record %d", i);
  if (std::strcmp(argv[2], "exit") == 0) std::exit(0);
  return 0;
}
