#pragma once
// nginx from Debian as a real HTTP peer: one process (no master, no daemon)
// on 127.0.0.1 with a free port and a configuration of our own in a scratch
// prefix folder; stopped and removed with the object. Its access log records
// "METHOD URI RANGE STATUS BODY_BYTES PROTOCOL" per request.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/named_program.h"
#include "support/temp_dir.h"

namespace veska_test {

// HTTPS with HTTP/2 (negotiated by ALPN) instead of plain HTTP/1.1.
struct NginxTls {
  std::filesystem::path certificate;
  std::filesystem::path key;
};

// A self-signed certificate for 127.0.0.1 and its key, made now by the openssl
// tool in `folder`.
NginxTls MakeLoopbackTls(const std::filesystem::path& folder);

class NginxServer {
 public:
  // Serves the files of `root`. `serverDirectives` are added inside the
  // server block (locations, limit_rate ...).
  explicit NginxServer(const std::filesystem::path& root, const std::string& serverDirectives = "",
                       const std::optional<NginxTls>& tls = std::nullopt);
  ~NginxServer();
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>" (https with TLS) followed by `path` (which
  // starts with "/").
  std::string Url(const std::string& path) const;
  // Requests logged so far (nginx logs a request when it has answered it).
  std::vector<std::string> AccessLog() const;

 private:
  TempDir prefix_;
  bool tls_ = false;
  int port_ = 0;
  std::unique_ptr<ChildProcess> process_;
};

}  // namespace veska_test
