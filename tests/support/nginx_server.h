#pragma once
// nginx from Debian as a real HTTP peer: one process (no master, no daemon)
// on 127.0.0.1 with a free port and a configuration of our own in a scratch
// prefix folder; stopped and removed with the object. Its access log records
// "METHOD URI RANGE STATUS BODY_BYTES" per request.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/named_program.h"
#include "support/temp_dir.h"

namespace veska_test {

class NginxServer {
 public:
  // Serves the files of `root`. `serverDirectives` are added inside the
  // server block (locations, limit_rate ...).
  explicit NginxServer(const std::filesystem::path& root, const std::string& serverDirectives = "");
  ~NginxServer();
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by `path` (which starts with "/").
  std::string Url(const std::string& path) const;
  // Requests logged so far (nginx logs a request when it has answered it).
  std::vector<std::string> AccessLog() const;

 private:
  TempDir prefix_;
  int port_ = 0;
  std::unique_ptr<ChildProcess> process_;
};

}  // namespace veska_test
