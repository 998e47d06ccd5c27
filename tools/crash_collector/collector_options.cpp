#include "tools/crash_collector/collector_options.h"

#include <charconv>
#include <cstdio>
#include <string_view>

const char* const kCollectorUsage =
    "usage: crash_collector --store=FOLDER [--port=N] [--status=N] [--delay-ms=N] [--lifetime=S]\n"
    "\n"
    "Receives crash uploads: a multipart/form-data POST, on any path, with a file\n"
    "part named upload_file_minidump. Listens on 127.0.0.1 and prints \"port N\" as\n"
    "its first line of standard output.\n"
    "\n"
    "  --store=FOLDER  each well-formed upload is stored in FOLDER/NNNN (0001, 0002...):\n"
    "                    request.txt  \"path <path>\" and one line \"file <part> <file name>\"\n"
    "                                 per file part\n"
    "                    fields.txt   one line \"name=value\" per text field, by name;\n"
    "                                 %, = (in names) and control bytes written as %XX\n"
    "                    files/<part> the bytes of each file part\n"
    "                  The folder appears whole (it is renamed into place). Malformed\n"
    "                  uploads are answered 400, stored nowhere and listed in\n"
    "                  FOLDER/rejected.txt.\n"
    "  --port=N        port to bind (default: any free port)\n"
    "  --status=N      HTTP status of the answer to a well-formed upload (default 200);\n"
    "                  the upload is stored whatever the status\n"
    "  --delay-ms=N    wait N milliseconds after storing an upload before answering\n"
    "  --lifetime=S    end after S seconds (default 300)\n";

namespace {

bool ParseInt(std::string_view text, int& value, int min, int max) {
  int parsed = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error != std::errc() || end != text.data() + text.size() || parsed < min || parsed > max) return false;
  value = parsed;
  return true;
}

}  // namespace

std::optional<CollectorOptions> CollectorOptions::Parse(int argc, char** argv) {
  CollectorOptions options;
  bool ok = true;
  for (int i = 1; i < argc && ok; ++i) {
    const std::string_view arg = argv[i];
    const auto equals = arg.find('=');
    const std::string_view key = arg.substr(0, equals);
    const std::string_view value = equals == std::string_view::npos ? std::string_view() : arg.substr(equals + 1);
    if (key == "--store" && !value.empty()) {
      options.store = std::string(value);
    } else if (key == "--port") {
      ok = ParseInt(value, options.port, 0, 65535);
    } else if (key == "--status") {
      ok = ParseInt(value, options.status, 100, 599);
    } else if (key == "--delay-ms") {
      ok = ParseInt(value, options.delay_ms, 0, 3600000);
    } else if (key == "--lifetime") {
      ok = ParseInt(value, options.lifetime_seconds, 1, 86400);
    } else {
      ok = false;
    }
  }
  if (!ok || options.store.empty()) {
    std::fputs(kCollectorUsage, stderr);
    return std::nullopt;
  }
  return options;
}
