#pragma once
// The scripted part of the client's behaviour: steps run in order once the
// client is connected, given as one switch value "step,step,...". Each step
// is "name" or "name:argument"; arguments are percent-decoded.

#include <string>
#include <vector>

struct ScriptStep {
  enum class Kind {
    kSendUrl,      // url:<address>      send an address update (may be empty)
    kWait,         // wait:<ms>          pause; cut short when the launcher goes
    kExitRequest,  // exit_request       ask the launcher to end
    kQuit,         // quit:<code>        end at once with this exit code
    kDump,         // dump               ask the crash server for a dump of the running client
    kUpload,       // upload:<fields>    send an upload request
    kCrashUpload,  // crash_upload:<fields>  upload to send right after a crash's dump
    kCrash,        // crash              fault in a function of the client's own
    kUpdate,       // update:<switches>  run temp/Updater.exe with these switches
  };
  Kind kind;
  std::string text;  // kSendUrl
  long number = 0;   // kWait, kQuit
};

struct ParsedScript {
  std::vector<ScriptStep> steps;
  std::string error;  // empty when the whole script was understood
};

ParsedScript ParseScript(const std::string& text);

// One line per step kind for the usage text.
std::string ScriptStepsHelp();
