#pragma once
// What the crash-report collector is told, from its command line.

#include <optional>
#include <string>

struct CollectorOptions {
  std::string store;           // one sub-folder per received request goes here
  int port = 0;                // 0: any free port
  int status = 200;            // answer to a well-formed upload
  int delay_ms = 0;            // wait after storing, before answering
  int lifetime_seconds = 300;  // the collector ends by itself after this
};

// Fills `options` from argv. Returns the exit code when the collector is to
// end at once (after its usage, or a bad command line named), nothing when it
// goes on.
std::optional<int> ParseCollectorOptions(int argc, char** argv, CollectorOptions& options);
