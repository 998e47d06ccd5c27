#pragma once
// The update order as the rest of the updater uses it. Text fields are narrow
// strings in the ANSI code page (UTF-8 here); copied by value.

#include <cstdint>
#include <string>

struct ZipConf {
  std::string zipUrl;        // url + "?" + md5; exactly "?" when both are missing
  std::string zipPath;       // <program folder>/update.zip
  std::string zipMd5;        // expected MD5 digest of the package, as text
  std::string installRoot;   // parent of the application folder, with trailing "/"
  std::string launcherPath;  // <application folder>/VESKALaunch.exe
  bool launchAfterInstall = false;
  std::string host;           // url without "http://", up to its first "/"
  std::string urlPath;        // the rest of it from that "/" on
  std::string pageCallParam;  // command-line parameters for the launcher
  std::int32_t forcedUpdate = 0;
  std::string newVersion;
  std::string prompt;  // change-log lines joined by "*"
};
