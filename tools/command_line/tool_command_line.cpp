#include "tools/command_line/tool_command_line.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>

namespace {

// The usage line first, then what the program does, its options and the
// notes, as GNU programs lay out their help.
class UsageFirst : public CLI::Formatter {
 public:
  std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override {
    if (mode != CLI::AppFormatMode::Normal) return CLI::Formatter::make_help(app, name, mode);
    std::ostringstream out;
    out << make_usage(app, name);
    if (!app->get_description().empty()) out << "\n" << app->get_description() << "\n";
    out << make_positionals(app) << make_groups(app, mode);
    const std::string footer = make_footer(app);
    if (!footer.empty()) out << "\n" << footer;
    return out.str();
  }
};

// An unknown argument is the fault to name, even when a required option is
// missing too: CLI11 checks the required ones first.
std::string FaultOf(const CLI::App& app, const CLI::ParseError& error) {
  if (!app.get_allow_extras()) {
    const std::vector<std::string> unknown = app.remaining();
    if (!unknown.empty()) return CLI::ExtrasError(unknown).what();
  }
  return error.what();
}

void UseUsageFirst(CLI::App& app) {
  auto formatter = std::make_shared<UsageFirst>();
  formatter->column_width(30);
  app.formatter(formatter);
}

}  // namespace

std::string ToolUsage(CLI::App& app) {
  UseUsageFirst(app);
  return app.help();
}

std::optional<int> ParseToolCommandLine(CLI::App& app, const std::vector<std::string>& args) {
  UseUsageFirst(app);
  // CLI11 takes the arguments last one first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    std::fputs(app.help().c_str(), stdout);
    return 0;
  } catch (const CLI::ParseError& error) {
    const std::string& name = app.get_name();
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", name.c_str(),
                 FaultOf(app, error).c_str(), name.c_str());
    return kExitBadCommandLine;
  }
  return std::nullopt;
}

std::optional<int> ParseToolCommandLine(CLI::App& app, int argc, char** argv) {
  return ParseToolCommandLine(app, std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
}
