#include "tools/faulty_http/server_options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kUsage[] =
    "usage: faulty_http --file PATH [options]\n"
    "Serves PATH at /file on 127.0.0.1 (a free port, printed as \"port N\") and records\n"
    "every request as \"METHOD PATH RANGE\" in --log. Other paths:\n"
    "  /redirect/N      302 chain of N steps to /file     /moved  301 to /file\n"
    "  /loop            302 to itself                     /redirect-empty  302 without Location\n"
    "  /redirect-late-body/N  302 chain of N steps, each body sent 100 ms after its head\n"
    "  anything else    404\n"
    "options:\n"
    "  --log PATH            request log\n"
    "  --ignore-ranges       always answer 200 with the whole file\n"
    "  --ranges-on-head-only  honour ranges in HEAD answers only\n"
    "  --no-length           no Content-Length; bodies chunked\n"
    "  --fail-first K        answer the first K requests with --fail-status (default 503)\n"
    "  --fail-skip S         ... counting from the request after the first S\n"
    "  --drop-after N        cut GET bodies after N bytes (--drop-count K: only K of them)\n"
    "  --stall-after N       stop sending GET bodies after N bytes (--stall-count K)\n"
    "  --short-ranges N      ranged GETs: at most N bytes, no length, clean close\n"
    "  --claim-size N        tell N as the file size\n"
    "  --rate BYTES          body bytes per second per connection\n"
    "  --lifetime SECONDS    end by itself after SECONDS (default 600)\n";

bool ReadNumber(const char* text, std::uint64_t& value) {
  char* end = nullptr;
  value = std::strtoull(text, &end, 10);
  return end != text && *end == '\0';
}

}  // namespace

std::optional<ServerOptions> ServerOptions::Parse(int argc, char** argv) {
  ServerOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    auto flag = [&](const char* wanted) { return name == wanted; };
    if (flag("--ignore-ranges")) {
      options.ignoreRanges = true;
      continue;
    }
    if (flag("--ranges-on-head-only")) {
      options.rangesOnHeadOnly = true;
      continue;
    }
    if (flag("--no-length")) {
      options.noLength = true;
      continue;
    }
    if (i + 1 >= argc) {
      std::fputs(kUsage, stderr);
      return std::nullopt;
    }
    const char* value = argv[++i];
    std::uint64_t number = 0;
    const bool numeric = ReadNumber(value, number);
    if (flag("--file")) {
      options.file = value;
    } else if (flag("--log")) {
      options.log = value;
    } else if (numeric && flag("--fail-first")) {
      options.failFirst = static_cast<int>(number);
    } else if (numeric && flag("--fail-skip")) {
      options.failSkip = static_cast<int>(number);
    } else if (numeric && flag("--fail-status")) {
      options.failStatus = static_cast<int>(number);
    } else if (numeric && flag("--drop-after")) {
      options.dropAfter = number;
    } else if (numeric && flag("--drop-count")) {
      options.dropCount = static_cast<int>(number);
    } else if (numeric && flag("--stall-after")) {
      options.stallAfter = number;
    } else if (numeric && flag("--stall-count")) {
      options.stallCount = static_cast<int>(number);
    } else if (numeric && flag("--short-ranges")) {
      options.shortRanges = number;
    } else if (numeric && flag("--claim-size")) {
      options.claimSize = number;
    } else if (numeric && flag("--rate")) {
      options.rate = number;
    } else if (numeric && flag("--lifetime")) {
      options.lifetimeSeconds = static_cast<int>(number);
    } else {
      std::fprintf(stderr, "faulty_http: bad option %s %s\n%s", name.c_str(), value, kUsage);
      return std::nullopt;
    }
  }
  if (options.file.empty()) {
    std::fputs(kUsage, stderr);
    return std::nullopt;
  }
  return options;
}
