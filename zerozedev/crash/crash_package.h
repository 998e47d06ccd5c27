#pragma once
// A new zip package holding whole files under chosen names (minizip).

#include <memory>
#include <string>

#include "zerozedev/crash/calendar_clock.h"

namespace google_breakpad {

class CrashPackage {
 public:
  // Creates the package, replacing a file of that name; nothing when it
  // cannot be created. Members are dated `time`.
  static std::unique_ptr<CrashPackage> Create(const std::string& path, const CalendarTime& time);
  // Closes the package if Close() was not called.
  ~CrashPackage();
  CrashPackage(const CrashPackage&) = delete;
  CrashPackage& operator=(const CrashPackage&) = delete;

  // Adds the file at `path` under `stored_name` (UTF-8). False when the file
  // cannot be read to its end or the package refuses the bytes; a member
  // begun is then left incomplete in the package.
  bool AddFile(const std::string& path, const std::string& stored_name);
  // Writes the central directory. False when the package is not whole on disk.
  bool Close();

 private:
  CrashPackage(void* zip, const CalendarTime& time) : zip_(zip), time_(time) {}

  void* zip_;  // minizip's zipFile
  CalendarTime time_;
};

}  // namespace google_breakpad
