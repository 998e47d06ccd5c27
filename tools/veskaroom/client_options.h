#pragma once
// The client's command line: the launcher's words, then its switches.
//
// The launcher writes its switches as "-key=value" ("-host=", "-crash_server=",
// "-url=") and repeats every "-key=value" word it was given at the end of the
// line in that form, so each switch of the client is read as "-key=value",
// "--key=value" or "--key value", and the first value given for a key wins.
// Everything else is a word of the launcher's, kept in order: the client
// cannot tell an unknown switch from a word, so it refuses neither.

#include <optional>
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
};

// Fills `options` from the arguments (program name excluded). Returns the exit
// code when the client is to end at once: 0 after the usage (--help, or no
// arguments at all), 2 after naming a bad switch value; nothing when it runs.
std::optional<int> ParseClientOptions(const std::vector<std::string>& args, ClientOptions& options);

// What --help prints.
std::string ClientUsage();
