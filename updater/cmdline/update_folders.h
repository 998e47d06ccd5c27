#pragma once
// The folders an update works in, from the updater's own path:
// <installation root>/<application folder>/<program folder>/Updater.exe.

#include <string>
#include <string_view>

struct UpdateFolders {
  std::string programFolder;      // "/A/B/temp/" for /A/B/temp/Updater.exe
  std::string applicationFolder;  // "/A/B/"
  std::string installRoot;        // "/A/"
};

// Each folder keeps its trailing "/"; one that the path is too short for is empty.
UpdateFolders UpdateFoldersOf(std::string_view programPath);
