#pragma once
// The project's crash-report collector (tools/crash_collector) as a child
// process on a free loopback port, storing what it receives in a scratch
// folder that the test reads back.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/port_server_process.h"
#include "support/temp_dir.h"

namespace veska_test {

class CrashCollector {
 public:
  struct Upload {
    std::string path;                                  // request path
    std::map<std::string, std::string> fields;         // text fields, unescaped
    std::map<std::string, std::string> file_names;     // file part -> file name sent
    std::map<std::string, std::filesystem::path> files;  // file part -> stored bytes
  };

  // `program` is the collector's executable; `options` its switches besides
  // --store (such as "--status=500" or "--delay-ms=1000").
  explicit CrashCollector(const std::filesystem::path& program, const std::vector<std::string>& options = {});

  int port() const { return server_.port(); }
  std::string Url(const std::string& path = "/crashReport") const;
  // Uploads stored so far, in arrival order.
  std::vector<Upload> Uploads() const;
  // One line per malformed request ("path: reason").
  std::vector<std::string> Rejected() const;

 private:
  TempDir store_;  // before the server, which writes into it
  PortServerProcess server_;
};

}  // namespace veska_test
