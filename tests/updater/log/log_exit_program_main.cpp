// Test program: opens the updater log, queues argv[1] lines and returns at once.
#include <cstdlib>

#include "updater/log/updater_log.h"

int main(int argc, char** argv) {
  const int lines = argc > 1 ? std::atoi(argv[1]) : 0;
  UpdaterLog& log = UpdaterLog::Instance();
  log.Open("qelUpdater");
  for (int i = 0; i < lines; ++i) log.Write(0, "UpdaterApp", __LINE__, "main", "line %d", i);
  return 0;
}
