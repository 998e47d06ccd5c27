#include "support/nginx_server.h"

#include <stdexcept>

#include "support/files.h"
#include "support/loopback_port.h"
#include "support/run_program.h"
#include "support/wait.h"

namespace veska_test {
namespace {

constexpr const char* kNginx = "/usr/sbin/nginx";
constexpr const char* kOpenssl = "/usr/bin/openssl";

std::string Listen(int port, const std::optional<NginxTls>& tls) {
  const std::string address = "    listen 127.0.0.1:" + std::to_string(port);
  if (!tls) return address + ";\n";
  return address + " ssl http2;\n"
         "    ssl_certificate " + tls->certificate.string() + ";\n"
         "    ssl_certificate_key " + tls->key.string() + ";\n";
}

std::string Configuration(const std::filesystem::path& prefix, const std::filesystem::path& root, int port,
                          const std::string& serverDirectives, const std::optional<NginxTls>& tls) {
  const std::string p = prefix.string();
  return "daemon off;\n"
         "master_process off;\n"
         "worker_processes 1;\n"
         "error_log " + p + "/error.log warn;\n"
         "pid " + p + "/nginx.pid;\n"
         "events { worker_connections 512; }\n"
         "http {\n"
         "  log_format ranges '$request_method $uri $http_range $status $body_bytes_sent $server_protocol';\n"
         "  access_log " + p + "/access.log ranges;\n"
         "  client_body_temp_path " + p + "/body;\n"
         "  proxy_temp_path " + p + "/proxy;\n"
         "  fastcgi_temp_path " + p + "/fastcgi;\n"
         "  uwsgi_temp_path " + p + "/uwsgi;\n"
         "  scgi_temp_path " + p + "/scgi;\n"
         "  default_type application/octet-stream;\n"
         "  sendfile on;\n"
         "  server {\n" +
         Listen(port, tls) +
         "    root " + root.string() + ";\n" +
         serverDirectives +
         "\n  }\n"
         "}\n";
}

}  // namespace

NginxTls MakeLoopbackTls(const std::filesystem::path& folder) {
  NginxTls tls{folder / "loopback-cert.pem", folder / "loopback-key.pem"};
  const auto made = RunProgram(kOpenssl, {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                                          "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1", "-addext",
                                          "subjectAltName=IP:127.0.0.1", "-keyout", tls.key.string(), "-out",
                                          tls.certificate.string()});
  if (made.exit_code != 0) throw std::runtime_error("openssl could not make a certificate: " + made.err);
  return tls;
}

NginxServer::NginxServer(const std::filesystem::path& root, const std::string& serverDirectives,
                         const std::optional<NginxTls>& tls)
    : tls_(tls.has_value()) {
  // Another program may take the picked port first: try a few.
  for (int attempt = 0; attempt < 5 && !process_; ++attempt) {
    port_ = PickFreeLoopbackPort();
    const auto conf = prefix_ / "nginx.conf";
    WriteFile(conf, Configuration(prefix_.path(), root, port_, serverDirectives, tls));
    auto started = std::make_unique<ChildProcess>(
        kNginx, std::vector<std::string>{"-p", prefix_.str(), "-e", (prefix_ / "error.log").string(), "-c",
                                         conf.string()});
    const bool up = WaitUntil([&] { return started->Exited() || LoopbackPortAccepts(port_); },
                              std::chrono::seconds(10));
    if (up && !started->Exited()) process_ = std::move(started);
  }
  if (!process_) throw std::runtime_error("nginx did not start; see " + (prefix_ / "error.log").string());
}

NginxServer::~NginxServer() { process_.reset(); }

std::string NginxServer::Url(const std::string& path) const {
  return (tls_ ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_) + path;
}

std::vector<std::string> NginxServer::AccessLog() const {
  const auto log = prefix_ / "access.log";
  if (!std::filesystem::exists(log)) return {};
  return SplitLines(ReadFile(log));
}

}  // namespace veska_test
