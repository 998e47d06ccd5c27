#pragma once
// A test server program of the project's own, run as a child process: it
// prints "port N" on its first line once it listens on the loopback address,
// and is killed when this object goes.

#include <filesystem>
#include <string>
#include <vector>

namespace veska_test {

class PortServerProcess {
 public:
  // Throws when the program cannot start or prints no port within 10 s.
  PortServerProcess(const std::filesystem::path& program, const std::vector<std::string>& args);
  ~PortServerProcess();
  PortServerProcess(const PortServerProcess&) = delete;
  PortServerProcess& operator=(const PortServerProcess&) = delete;

  int port() const { return port_; }
  std::string Url(const std::string& path) const;

 private:
  int pid_ = -1;
  int port_ = 0;
};

}  // namespace veska_test
