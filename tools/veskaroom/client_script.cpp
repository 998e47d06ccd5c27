#include "tools/veskaroom/client_script.h"

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "tools/veskaroom/escaped_text.h"
#include "tools/veskaroom/upload_fields.h"

namespace {

enum class Argument { kNone, kText, kNumber, kUploadFields };

struct StepKind {
  const char* name;
  Argument argument;
  ScriptStep::Kind kind;
  const char* help;
};

// Adding a step: one row here, one case where the client runs the steps.
constexpr StepKind kStepKinds[] = {
    {"url", Argument::kText, ScriptStep::Kind::kSendUrl,
     "url:<address>     send the address to the launcher (percent escapes allowed)"},
    {"wait", Argument::kNumber, ScriptStep::Kind::kWait,
     "wait:<ms>         pause; ends early when the launcher closes the pipe"},
    {"exit_request", Argument::kNone, ScriptStep::Kind::kExitRequest,
     "exit_request      ask the launcher to end its run"},
    {"quit", Argument::kNumber, ScriptStep::Kind::kQuit,
     "quit:<code>       end the client now with this exit code, telling nobody"},
    {"dump", Argument::kNone, ScriptStep::Kind::kDump,
     "dump              ask the crash server for a dump of the running client"},
    {"upload", Argument::kUploadFields, ScriptStep::Kind::kUpload,
     "upload:<fields>   send an upload request; fields log=<name>;<name>=<value>;...\n"
     "                        (the log is written into the crash folder first)"},
    {"crash_upload", Argument::kUploadFields, ScriptStep::Kind::kCrashUpload,
     "crash_upload:<fields>  the upload request to send right after a crash's dump"},
    {"crash", Argument::kNone, ScriptStep::Kind::kCrash,
     "crash             fault in CrashInClassroomClient (needs --crash_server)"},
    {"update", Argument::kText, ScriptStep::Kind::kUpdate,
     "update:<switches> start temp/Updater.exe beside the client with these switches\n"
     "                        (url, md5, forcedupdate, ...) and wait for it to end"},
};

std::optional<long> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < 0) return std::nullopt;
  return value;
}

}  // namespace

ParsedScript ParseScript(const std::string& text) {
  ParsedScript parsed;
  std::size_t start = 0;
  while (start <= text.size() && !text.empty()) {
    std::size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(start, end - start);
    start = end + 1;

    const std::size_t colon = item.find(':');
    const std::string name = item.substr(0, colon);
    const bool has_argument = colon != std::string::npos;
    const std::string argument = has_argument ? PercentDecode(item.substr(colon + 1)) : "";

    const StepKind* kind = nullptr;
    for (const StepKind& candidate : kStepKinds) {
      if (name == candidate.name) kind = &candidate;
    }
    if (kind == nullptr) {
      parsed.error = "unknown step \"" + item + "\"";
      return parsed;
    }
    ScriptStep step{kind->kind, {}, 0};
    switch (kind->argument) {
      case Argument::kNone:
        if (has_argument) parsed.error = "step \"" + name + "\" takes no argument";
        break;
      case Argument::kText:
        if (!has_argument) parsed.error = "step \"" + name + "\" needs \":<text>\"";
        step.text = argument;
        break;
      case Argument::kUploadFields:
        if (!has_argument) {
          parsed.error = "step \"" + name + "\" needs \":<fields>\"";
        } else if (const auto upload = ParseUploadFields(argument); !upload.error.empty()) {
          parsed.error = "step \"" + name + "\": " + upload.error;
        }
        step.text = argument;
        break;
      case Argument::kNumber:
        if (auto number = ParseNumber(argument)) {
          step.number = *number;
        } else {
          parsed.error = "step \"" + name + "\" needs \":<non-negative number>\"";
        }
        break;
    }
    if (!parsed.error.empty()) return parsed;
    parsed.steps.push_back(step);
  }
  return parsed;
}

std::string ScriptStepsHelp() {
  std::string help;
  for (const StepKind& kind : kStepKinds) help += std::string("      ") + kind.help + "\n";
  return help;
}
