#include "tools/veskaroom/client_options.h"

#include <cerrno>
#include <cstdlib>

#include "tools/command_line/tool_command_line.h"

namespace {

const char kAbout[] =
    "Substitute classroom client for the launcher's tests and demo. Words of the\n"
    "launcher and unknown switches are kept as given. Each switch may also be\n"
    "written -key=value, as the launcher writes its own; for a key given twice the\n"
    "first value wins.";

CLI::Validator Milliseconds() {
  return CLI::Validator(
      [](std::string& text) -> std::string {
        char* end = nullptr;
        errno = 0;
        const long number = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || errno != 0 || *end != '\0' || number < 0) {
          return "needs a non-negative number of milliseconds, not '" + text + "'";
        }
        return "";
      },
      "MS");
}

std::string Notes() {
  return "Steps of --script (arguments percent-decoded, so %2C is a comma):\n" + ScriptStepsHelp() +
         "\n"
         "Without --host the client only serves the hand-off pipe until its lifetime ends.\n"
         "It ends on the launcher's closing notice, when the launcher's pipe closes,\n"
         "after a quit step, or when its lifetime is over.\n"
         "\n"
         "Record lines:\n"
         "  start host=<name> crash_server=<pipe> url=<address>\n"
         "  word <text>                   each word of the command line, in order\n"
         "  connected | connect_failed <reason>\n"
         "  sent url <address> | sent exit_request\n"
         "  crash_registered | crash_register_failed <reason>\n"
         "  dump written | dump failed\n"
         "  wrote log <path> | sent upload <log name> | upload failed <log name>\n"
         "  armed crash_upload | crashing  (then the process dies by SIGSEGV)\n"
         "  handoff <bytes>               one per connection to the hand-off pipe\n"
         "  handoff_unavailable <reason>\n"
         "  closing_notice | unknown_message <type> | disconnected\n"
         "  version <text>                the first line of version.txt beside the client\n"
         "  update started <switches> | update ended <code> | update failed <reason>\n"
         "  lifetime_over\n"
         "  exit <code>\n"
         "Recorded text escapes control bytes and \"%\" as %XY.\n"
         "\n"
         "Exit codes: 0 normally, 2 for a bad switch value, 3 when the launcher's pipe\n"
         "cannot be reached, the code of a quit step.\n"
         "The pipe contract the client meets: tools/veskaroom/CLIENT-CONTRACT.md.";
}

void DescribeSwitches(CLI::App& app, ClientOptions& options) {
  app.set_help_flag("--help", "Print this help message and exit");
  app.footer(Notes());
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeFirst);
  app.add_option("--host", options.host, "the launcher's pipe (short name) to talk to")->option_text("NAME");
  app.add_option("--crash_server", options.crash_server, "the crash server to register with, for dumps")
      ->option_text("PIPE");
  app.add_option("--url", options.url, "the latest address (recorded only)")->option_text("ADDRESS");
  app.add_option("--record", options.record_path, "append a line per event to FILE, flushed per line")
      ->option_text("FILE");
  app.add_option("--heartbeat-ms", options.heartbeat_ms, "heartbeat period; 0 sends none (default 1000)")
      ->check(Milliseconds())
      ->option_text("MS");
  app.add_option_function<std::string>(
         "--script", [&options](const std::string& text) { options.script = ParseScript(text).steps; },
         "steps run in order once connected (see below)")
      ->check(CLI::Validator([](std::string& text) { return ParseScript(text).error; }, "STEPS"))
      ->option_text("STEPS");
  app.add_option("--lifetime-ms", options.lifetime_ms, "end after this long at the latest (default 120000)")
      ->check(Milliseconds())
      ->option_text("MS");
  app.add_option_function<std::string>(
         "--handoff", [&options](const std::string& value) { options.serve_handoff = value == "on"; },
         "serve the address hand-off pipe (default on)")
      ->check(CLI::IsMember({"on", "off"}))
      ->option_text("on|off");
}

// The key of a "-key=...", "--key=..." or "--key" argument; empty for others.
std::string KeyOf(const std::string& arg) {
  if (arg.size() < 2 || arg[0] != '-') return "";
  const std::size_t start = arg[1] == '-' ? 2 : 1;
  const std::size_t equals = arg.find('=');
  return arg.substr(start, equals == std::string::npos ? std::string::npos : equals - start);
}

bool IsSwitchKey(const CLI::App& app, const std::string& key) {
  const CLI::Option* option = app.get_option_no_throw("--" + key);
  return option != nullptr && option != app.get_help_ptr();
}

}  // namespace

std::optional<int> ParseClientOptions(const std::vector<std::string>& args, ClientOptions& options) {
  CLI::App app(kAbout, "veskaroom.exe");
  DescribeSwitches(app, options);
  if (args.empty()) return ParseToolCommandLine(app, {"--help"});

  // Words never reach the parser: a word such as "--" or "-hello" would
  // mean something to it. Switches go to it as "--key value".
  std::vector<std::string> switches;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const std::size_t equals = arg.find('=');
    if (arg == "--help") {
      switches.push_back(arg);
    } else if (!IsSwitchKey(app, KeyOf(arg))) {
      options.words.push_back(arg);
    } else if (equals != std::string::npos) {
      switches.push_back("--" + KeyOf(arg));
      switches.push_back(arg.substr(equals + 1));
    } else if (arg.rfind("--", 0) == 0) {
      switches.push_back(arg);
      if (i + 1 < args.size()) switches.push_back(args[++i]);
    } else {
      options.words.push_back(arg);  // "-key" alone is no switch form
    }
  }
  return ParseToolCommandLine(app, switches);
}

std::string ClientUsage() {
  ClientOptions unused;
  CLI::App app(kAbout, "veskaroom.exe");
  DescribeSwitches(app, unused);
  return ToolUsage(app);
}
