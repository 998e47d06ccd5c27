#pragma once
// The installed client's version: the first line of "version.txt" beside the
// client's program, which an update package replaces with the rest.

#include <optional>
#include <string>

// Nothing when the file is missing or empty.
std::optional<std::string> InstalledClientVersion();
