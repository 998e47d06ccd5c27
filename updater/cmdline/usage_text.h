#pragma once
// What the updater prints for a command line it cannot use.

// The switches and how arguments become the command line (see
// command_line_from_arguments.h).
const char* UpdaterUsageText();
