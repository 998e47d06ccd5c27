#pragma once
// The client's command line: the launcher's words, then "-key=value"
// switches (also "--key=value"). The first value given for a key wins, as in
// the launcher's own switch list, which repeats each of its switches at the
// end of the line.

#include <string>
#include <vector>

#include "tools/veskaroom/client_script.h"

struct ClientOptions {
  // Switches the launcher adds.
  std::string host;          // short name of the launcher's pipe
  std::string crash_server;  // crash server pipe name (recorded)
  std::string url;           // latest address (recorded)
  // Switches that script the substitute client.
  std::string record_path;
  long heartbeat_ms = 1000;
  std::vector<ScriptStep> script;
  long lifetime_ms = 120000;
  bool serve_handoff = true;

  std::vector<std::string> words;  // arguments that are not switches
  bool show_usage = false;
};

struct ParsedOptions {
  ClientOptions options;
  std::string error;  // empty on success
};

// `args` excludes the program name. No arguments at all asks for the usage.
ParsedOptions ParseClientOptions(const std::vector<std::string>& args);

std::string UsageText();
