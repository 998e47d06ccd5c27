#pragma once
// What the fault-injecting HTTP server is told to do, from its command line.

#include <cstdint>
#include <optional>
#include <string>

struct ServerOptions {
  std::string file;        // the package, read anew for every request
  std::string log;         // request log: one line "METHOD PATH RANGE" per request
  bool ignoreRanges = false;
  bool rangesOnHeadOnly = false;  // HEAD answers honour ranges, GETs send the whole file
  bool noLength = false;   // no Content-Length; bodies chunked
  int failFirst = 0;       // the first N requests are answered with failStatus
  int failStatus = 503;
  int failSkip = 0;        // requests answered normally before the failing ones
  std::optional<std::uint64_t> dropAfter;   // GET bodies: connection cut after N bytes
  int dropCount = -1;                       // how many GETs are cut (-1: all)
  std::optional<std::uint64_t> stallAfter;  // GET bodies: nothing more after N bytes
  int stallCount = -1;
  std::optional<std::uint64_t> shortRanges;  // ranged GETs: at most N bytes, no length, clean close
  std::optional<std::uint64_t> claimSize;    // size told to the client instead of the real one
  std::uint64_t rate = 0;                    // body bytes per second per connection (0: no limit)
  int lifetimeSeconds = 600;                 // the server ends by itself after this

};

// Fills `options` from argv. Returns the exit code when the server is to end
// at once (after its usage, or a bad command line named), nothing when it
// goes on.
std::optional<int> ParseServerOptions(int argc, char** argv, ServerOptions& options);
