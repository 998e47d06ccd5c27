#pragma once
// The archive component "zlib.dll", loaded from the updater's folder for its
// one export: ExtractZipToDir(archive, folder, 0) unpacks the archive into
// the folder (UTF-16 paths) and returns 0 when every entry went in.

#include <string>

inline constexpr const char* kArchiveComponentName = "zlib.dll";

struct ArchiveExtraction {
  bool called = false;  // the component was loaded and its export called
  int result = -1;      // what the export returned, when called
  std::string failure;  // why it was not called
};

ArchiveExtraction ExtractZipToDir(const std::string& componentPath, const std::string& archivePath,
                                  const std::string& folder);
