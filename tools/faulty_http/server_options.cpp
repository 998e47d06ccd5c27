#include "tools/faulty_http/server_options.h"

#include <limits>

#include "tools/command_line/tool_command_line.h"

namespace {

const char kAbout[] =
    "Serves FILE at /file on 127.0.0.1 (a free port, printed as \"port N\") and records\n"
    "every request as \"METHOD PATH RANGE\" in the --log file.";

const char kPaths[] =
    "Other paths:\n"
    "  /redirect/N      302 chain of N steps to /file\n"
    "  /moved           301 to /file\n"
    "  /loop            302 to itself\n"
    "  /redirect-empty  302 without Location\n"
    "  /redirect-late-body/N  302 chain of N steps, each body sent 100 ms after its head\n"
    "  anything else    404";

const CLI::Range kCount(0, std::numeric_limits<int>::max());

}  // namespace

std::optional<int> ParseServerOptions(int argc, char** argv, ServerOptions& options) {
  CLI::App app(kAbout, "faulty_http");
  app.footer(kPaths);
  app.add_option("--file", options.file, "the file served, read anew for every request")
      ->required()
      ->option_text("PATH");
  app.add_option("--log", options.log, "request log")->option_text("PATH");
  app.add_flag("--ignore-ranges", options.ignoreRanges, "always answer 200 with the whole file");
  app.add_flag("--ranges-on-head-only", options.rangesOnHeadOnly, "honour ranges in HEAD answers only");
  app.add_flag("--no-length", options.noLength, "no Content-Length; bodies chunked");
  app.add_option("--fail-first", options.failFirst, "answer the first K requests with --fail-status")
      ->check(kCount)
      ->option_text("K");
  app.add_option("--fail-status", options.failStatus, "status of those answers (default 503)")
      ->check(CLI::Range(100, 599))
      ->option_text("N");
  app.add_option("--fail-skip", options.failSkip, "... counting from the request after the first S")
      ->check(kCount)
      ->option_text("S");
  app.add_option("--drop-after", options.dropAfter, "cut GET bodies after N bytes")->option_text("N");
  app.add_option("--drop-count", options.dropCount, "cut only K of them")->option_text("K");
  app.add_option("--stall-after", options.stallAfter, "stop sending GET bodies after N bytes")->option_text("N");
  app.add_option("--stall-count", options.stallCount, "stall only K of them")->option_text("K");
  app.add_option("--short-ranges", options.shortRanges, "ranged GETs: at most N bytes, no length, clean close")
      ->option_text("N");
  app.add_option("--claim-size", options.claimSize, "tell N as the file size")->option_text("N");
  app.add_option("--rate", options.rate, "body bytes per second per connection (default: no limit)")
      ->option_text("BYTES");
  app.add_option("--lifetime", options.lifetimeSeconds, "end by itself after this many seconds (default 600)")
      ->check(CLI::Range(1, 86400))
      ->option_text("SECONDS");
  return ParseToolCommandLine(app, argc, argv);
}
