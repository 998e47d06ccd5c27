// A helper program for process-level download tests. Roles:
//   download URL TARGET [THREADS]  runs one download to its end (resuming what
//                                  an earlier run left); exit 0 when TARGET is there
//   hold PATH MARKER [SHARE]       holds PATH open for reading as another program
//                                  would, shared for reading ("read", the default)
//                                  or for reading and writing ("read-write");
//                                  creates MARKER once it holds it, then waits to
//                                  be killed

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/shared_file.h"
#include "updater/download/curl_downloader.h"

namespace {

int Download(const std::string& url, const std::string& target, int threads) {
  CurlDownloader engine;
  engine.Start(url, target, threads);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  bool stopped = false;
  while (!engine.IsFinished(&stopped) && !stopped && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  engine.WaitAndFinish();
  return platform::FileExists(target) ? 0 : 1;
}

int Hold(const std::string& path, const std::string& marker, const std::string& share) {
  const unsigned shareMode =
      share == "read-write" ? platform::kShareRead | platform::kShareWrite : platform::kShareRead;
  auto file = platform::SharedFile::Open(path, platform::kAccessRead, shareMode,
                                         platform::FileDisposition::kOpenExisting);
  if (!file) {
    std::fprintf(stderr, "hold: %s\n", file.error().Describe().c_str());
    return 1;
  }
  if (std::FILE* created = std::fopen(marker.c_str(), "w")) std::fclose(created);
  std::this_thread::sleep_for(std::chrono::minutes(2));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string role = argc > 1 ? argv[1] : "";
  if (role == "download" && (argc == 4 || argc == 5)) {
    return Download(argv[2], argv[3], argc == 5 ? std::atoi(argv[4]) : 5);
  }
  if (role == "hold" && (argc == 4 || argc == 5)) return Hold(argv[2], argv[3], argc == 5 ? argv[4] : "read");
  std::fprintf(stderr, "usage: download_driver download URL TARGET [THREADS] | hold PATH MARKER [read|read-write]\n");
  return 2;
}
