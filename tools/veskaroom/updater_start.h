#pragma once
// Starting the updater as the classroom client does when a new version is
// out: temp/Updater.exe beside the client, with the update order as its
// switches.

#include <string>

class EventRecord;

// Starts the updater with `switches` (one command-line text, such as
// -url=... -md5=... -forcedupdate=1) and waits for it to end. Records
// "update started <switches>", then "update ended <exit code>", or
// "update failed <reason>" when it cannot be started. A forced update stops
// the client meanwhile, so the end may not be recorded.
void RunUpdater(const std::string& switches, EventRecord& record);
