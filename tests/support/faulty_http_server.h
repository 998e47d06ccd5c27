#pragma once
// The project's fault-injecting HTTP server (tools/faulty_http) as a child
// process on a free loopback port, with its request log in a scratch folder.

#include <filesystem>
#include <string>
#include <vector>

#include "support/port_server_process.h"
#include "support/temp_dir.h"

namespace veska_test {

class FaultyHttpServer {
 public:
  // `program` is the server's executable; `options` its fault options (the
  // file and log options are added here).
  FaultyHttpServer(const std::filesystem::path& program, const std::filesystem::path& file,
                   const std::vector<std::string>& options = {});

  int port() const { return server_.port(); }
  std::string Url(const std::string& path) const;
  // "METHOD PATH RANGE" per request received, oldest first.
  std::vector<std::string> Requests() const;

 private:
  TempDir folder_;  // before the server, which writes into it
  PortServerProcess server_;
};

}  // namespace veska_test
