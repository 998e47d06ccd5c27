#pragma once
// Where LauncherLog keeps its files:
// <local application-data folder>/trvo/logs/<log name>/<program name>.

#include <string>
#include <string_view>

// The running executable's file name without its extension, in lower case
// ("VeskaRoomLaunch.exe" gives "veskaroomlaunch", "a.b.exe" gives "a.b").
std::string ProgramNameOf(std::string_view executablePath);

// The log folder for `logName`, its parts created private (0700) when
// missing and narrowed to private when not (failures are left to the file
// open that follows). Empty when the application-data folder is unavailable:
// files then go to the current directory.
std::string LauncherLogFolder(const std::string& logName);
