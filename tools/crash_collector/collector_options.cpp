#include "tools/crash_collector/collector_options.h"

#include "tools/command_line/tool_command_line.h"

namespace {

const char kAbout[] =
    "Receives crash uploads: a multipart/form-data POST, on any path, with a file\n"
    "part named upload_file_minidump. Listens on 127.0.0.1 and prints \"port N\" as\n"
    "its first line of standard output.";

const char kStoreLayout[] =
    "Each well-formed upload is stored, whatever the status of the answer, in\n"
    "STORE/NNNN (0001, 0002...), a folder that appears whole (renamed into place):\n"
    "  request.txt   \"path <path>\" and one line \"file <part> <file name>\" per file part\n"
    "  fields.txt    one line \"name=value\" per text field, by name; %, = (in names)\n"
    "                and control bytes written as %XX\n"
    "  files/<part>  the bytes of each file part\n"
    "Malformed uploads are answered 400, stored nowhere and listed in\n"
    "STORE/rejected.txt.";

}  // namespace

std::optional<int> ParseCollectorOptions(int argc, char** argv, CollectorOptions& options) {
  CLI::App app(kAbout, "crash_collector");
  app.footer(kStoreLayout);
  app.add_option("--store", options.store, "folder the uploads are stored in (see below)")
      ->required()
      ->option_text("FOLDER");
  app.add_option("--port", options.port, "port to bind (default: any free port)")
      ->check(CLI::Range(0, 65535))
      ->option_text("N");
  app.add_option("--status", options.status, "status of the answers to well-formed uploads (default 200)")
      ->check(CLI::Range(100, 599))
      ->option_text("N");
  app.add_option("--delay-ms", options.delay_ms, "wait this long after storing an upload before answering")
      ->check(CLI::Range(0, 3600000))
      ->option_text("MS");
  app.add_option("--lifetime", options.lifetime_seconds, "end after this many seconds (default 300)")
      ->check(CLI::Range(1, 86400))
      ->option_text("S");
  return ParseToolCommandLine(app, argc, argv);
}
