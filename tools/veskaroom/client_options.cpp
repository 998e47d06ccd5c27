#include "tools/veskaroom/client_options.h"

#include <cerrno>
#include <cstdlib>
#include <set>

namespace {

// Stores a switch's value into the options; returns an error text or "".
using ApplySwitch = std::string (*)(ClientOptions& options, const std::string& value);

std::string ParseMilliseconds(const std::string& value, long& out) {
  char* end = nullptr;
  errno = 0;
  const long number = std::strtol(value.c_str(), &end, 10);
  if (value.empty() || errno != 0 || *end != '\0' || number < 0) {
    return "needs a non-negative number of milliseconds";
  }
  out = number;
  return "";
}

struct SwitchEntry {
  const char* key;
  const char* value_hint;
  const char* help;
  ApplySwitch apply;
};

// Adding a switch: one row here.
const SwitchEntry kSwitches[] = {
    {"host", "<name>", "short name of the launcher's pipe; connect and talk to the launcher",
     [](ClientOptions& o, const std::string& v) { o.host = v; return std::string(); }},
    {"crash_server", "<pipe>", "the launcher's crash server pipe; register with it for dumps and uploads",
     [](ClientOptions& o, const std::string& v) { o.crash_server = v; return std::string(); }},
    {"url", "<address>", "the latest address (recorded only)",
     [](ClientOptions& o, const std::string& v) { o.url = v; return std::string(); }},
    {"record", "<file>", "append one line per event to <file>, flushed per line",
     [](ClientOptions& o, const std::string& v) { o.record_path = v; return std::string(); }},
    {"heartbeat_ms", "<ms>", "heartbeat period once connected; 0 sends none (default 1000)",
     [](ClientOptions& o, const std::string& v) { return ParseMilliseconds(v, o.heartbeat_ms); }},
    {"script", "<steps>", "comma-separated steps run in order once connected (see below)",
     [](ClientOptions& o, const std::string& v) {
       ParsedScript parsed = ParseScript(v);
       o.script = std::move(parsed.steps);
       return parsed.error;
     }},
    {"lifetime_ms", "<ms>", "end after this long at the latest (default 120000)",
     [](ClientOptions& o, const std::string& v) { return ParseMilliseconds(v, o.lifetime_ms); }},
    {"handoff", "<on|off>", "serve the address hand-off pipe (default on)",
     [](ClientOptions& o, const std::string& v) {
       if (v != "on" && v != "off") return std::string("needs on or off");
       o.serve_handoff = v == "on";
       return std::string();
     }},
};

const SwitchEntry* FindSwitch(const std::string& key) {
  for (const SwitchEntry& entry : kSwitches) {
    if (key == entry.key) return &entry;
  }
  return nullptr;
}

}  // namespace

ParsedOptions ParseClientOptions(const std::vector<std::string>& args) {
  ParsedOptions parsed;
  ClientOptions& options = parsed.options;
  if (args.empty()) {
    options.show_usage = true;
    return parsed;
  }
  std::set<std::string> seen;
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      options.show_usage = true;
      continue;
    }
    const std::size_t equals = arg.find('=');
    if (arg.empty() || arg[0] != '-' || equals == std::string::npos) {
      options.words.push_back(arg);
      continue;
    }
    const std::string key = arg.substr(arg.find_first_not_of('-'), equals - arg.find_first_not_of('-'));
    const SwitchEntry* entry = FindSwitch(key);
    // Unknown switches belong to the launcher's words and are kept as such.
    if (entry == nullptr) {
      options.words.push_back(arg);
      continue;
    }
    if (!seen.insert(key).second) continue;
    const std::string error = entry->apply(options, arg.substr(equals + 1));
    if (!error.empty()) {
      parsed.error = "-" + key + ": " + error;
      return parsed;
    }
  }
  return parsed;
}

std::string UsageText() {
  std::string text =
      "usage: veskaroom.exe [words...] [-key=value ...]\n"
      "\n"
      "Substitute classroom client for the launcher's tests and demo. Words and\n"
      "unknown switches are kept as given; for a key given twice the first value\n"
      "wins. Switches (\"--key=value\" works too):\n";
  for (const SwitchEntry& entry : kSwitches) {
    std::string left = std::string("  -") + entry.key + "=" + entry.value_hint;
    left.resize(left.size() < 26 ? 26 : left.size() + 1, ' ');
    text += left + entry.help + "\n";
  }
  text +=
      "\n"
      "Steps of -script (arguments percent-decoded, so %2C is a comma):\n" +
      ScriptStepsHelp() +
      "\n"
      "Without -host the client only serves the hand-off pipe until its lifetime ends.\n"
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
      "  lifetime_over\n"
      "  exit <code>\n"
      "Recorded text escapes control bytes and \"%\" as %XY.\n"
      "\n"
      "Exit codes: 0 normally, 2 when the launcher's pipe cannot be reached,\n"
      "64 for a bad command line, the code of a quit step.\n";
  return text;
}
