#pragma once
// Creating LauncherLog's files: "<unix seconds>.log", and "<seconds>_<n>.log"
// (n = 1, 2, ...) when a file of that second exists already, so that a fast
// rollover never truncates a file it has just filled.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using LogFileHandle = std::unique_ptr<std::FILE, FileCloser>;

struct CreatedLogFile {
  LogFileHandle file;  // null when no file could be created
  std::string path;
};

// Creates a new file, private to the user (0600), in `folder` (the current
// directory when empty).
CreatedLogFile CreateLogFile(const std::string& folder, std::int64_t unixSeconds);
