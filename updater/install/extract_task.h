#pragma once
// One package to unpack into one folder through the archive component.

#include <string>

class ExtractTask {
 public:
  ExtractTask(std::string archivePath, std::string folder, std::string componentPath);

  // Makes the folder (with its parents), waits 500 ms and has the archive
  // component unpack the archive into it. True only when the component
  // reported every entry in; otherwise failure() says why, for the log.
  bool TryExtract();

  const std::string& archivePath() const { return archivePath_; }
  const std::string& folder() const { return folder_; }
  const std::string& failure() const { return failure_; }

 private:
  std::string archivePath_;
  std::string folder_;
  std::string componentPath_;
  std::string failure_;
};
