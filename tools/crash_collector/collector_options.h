#pragma once
// What the crash-report collector is told, from its command line.

#include <optional>
#include <string>

struct CollectorOptions {
  std::string store;         // one sub-folder per received request goes here
  int port = 0;              // 0: any free port
  int status = 200;          // answer to a well-formed upload
  int delay_ms = 0;          // wait after storing, before answering
  int lifetime_seconds = 300;  // the collector ends by itself after this

  // Parses argv; prints the usage text and returns nothing on bad input or
  // --help.
  static std::optional<CollectorOptions> Parse(int argc, char** argv);
};

extern const char* const kCollectorUsage;
