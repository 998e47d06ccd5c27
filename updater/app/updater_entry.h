#pragma once
// The updater's process entry (wWinMain): one updater at a time, then the
// application's checks and flow.

#include <string>

#include "platform/module_resources.h"

// Exit codes: 0 once the flow has run, -1 (255 as a Linux exit status) when a
// start-up check stops it: another updater runs, the update lock stayed
// taken for 10 s, an update is marked in progress, or there were no
// arguments. `commandLine` is the text after the program name;
// `argumentCount` counts the program name too.
int UpdaterEntry(platform::ModuleImage instance, const std::u16string& commandLine, int argumentCount);
