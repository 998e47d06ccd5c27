#pragma once
// ShellExecute with the verb "open": a program is started with parameters,
// anything else (a web address, a document) goes to the desktop's default
// handler.

#include <string>

#include "platform/result.h"

namespace platform {

// When `target` is an executable file, starts it with `parameters` (a
// command-line text, split by the Windows rules) and does not wait for it.
// An address with a scheme ("https:") or a file that is no program goes to
// the desktop's default handler (xdg-open, found in PATH), without
// parameters. Fails when the file does not exist or nothing could be started.
Status ShellOpen(const std::string& target, const std::string& parameters = "");

// `argument` as one command-line argument by the Windows rules: wrapped in
// double quotes, with quotes and the backslashes before them escaped.
std::string QuoteCommandLineArgument(const std::string& argument);

}  // namespace platform
