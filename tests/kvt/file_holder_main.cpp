// Holds a file open through the platform's shared files, as another program
// of the system would, until it is killed (60 s at most).
//   kvt_file_holder PATH MARKER SHARE
// SHARE: "none", or letters r, w, d for read, write and delete sharing.
// MARKER is created once the file is held.

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/shared_file.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: kvt_file_holder PATH MARKER none|[rwd]\n");
    return 2;
  }
  const std::string share_text = argv[3];
  unsigned share = platform::kShareNone;
  if (share_text.find('r') != std::string::npos) share |= platform::kShareRead;
  if (share_text.find('w') != std::string::npos) share |= platform::kShareWrite;
  if (share_text.find('d') != std::string::npos) share |= platform::kShareDelete;
  auto file = platform::SharedFile::Open(argv[1], platform::kAccessRead | platform::kAccessWrite, share,
                                         platform::FileDisposition::kOpenExisting);
  if (!file) {
    std::fprintf(stderr, "hold: %s\n", file.error().Describe().c_str());
    return 1;
  }
  if (std::FILE* marker = std::fopen(argv[2], "w")) std::fclose(marker);
  std::this_thread::sleep_for(std::chrono::seconds(60));
  return 0;
}
