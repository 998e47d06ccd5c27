// One download through the transfer engine, timed, for the download
// benchmark (scripts/bench-download.sh):
//   download_bench URL TARGET THREADS
// prints "seconds=<s> bytes=<n> mb_per_s=<MB/s> vmhwm_kib=<peak resident KiB>".

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "updater/download/curl_downloader.h"

namespace {

long PeakResidentKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: download_bench URL TARGET THREADS\n");
    return 2;
  }
  const auto begin = std::chrono::steady_clock::now();
  CurlDownloader engine;
  if (!engine.Start(argv[1], argv[2], std::atoi(argv[3]))) {
    std::fprintf(stderr, "download_bench: the download did not start\n");
    return 1;
  }
  bool stopped = false;
  while (!engine.IsFinished(&stopped) && !stopped) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  const bool complete = engine.IsFinished(nullptr);
  engine.WaitAndFinish();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  if (!complete) {
    std::fprintf(stderr, "download_bench: the download did not complete\n");
    return 1;
  }
  std::printf("seconds=%.3f bytes=%u mb_per_s=%.1f vmhwm_kib=%ld\n", seconds, engine.fileSize(),
              engine.fileSize() / seconds / 1e6, PeakResidentKib());
  return 0;
}
