#pragma once
// What the update job takes from the update record.

#include <string>

struct UpdateOrder {
  std::string url;   // package address (ZipConf::zipUrl)
  std::string md5;   // expected digest as hexadecimal text (ZipConf::zipMd5)
  std::string host;     // kept, not used by the job
  std::string urlPath;  // kept, not used by the job
  bool killClientFirst = false;  // ZipConf::forcedUpdate != 0
  std::string packagePath;       // ZipConf::zipPath: the program folder + "update.zip"
  std::string programFolder;     // with a trailing "/": where the installer component lives
};
