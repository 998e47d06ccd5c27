#include "support/faulty_http_server.h"

#include "support/files.h"

namespace veska_test {
namespace {

std::vector<std::string> Arguments(const std::filesystem::path& file, const TempDir& folder,
                                   const std::vector<std::string>& options) {
  std::vector<std::string> args{"--file", file.string(), "--log", (folder / "requests.log").string(),
                                "--lifetime", "300"};
  args.insert(args.end(), options.begin(), options.end());
  return args;
}

}  // namespace

FaultyHttpServer::FaultyHttpServer(const std::filesystem::path& program, const std::filesystem::path& file,
                                   const std::vector<std::string>& options)
    : server_(program, Arguments(file, folder_, options)) {}

std::string FaultyHttpServer::Url(const std::string& path) const { return server_.Url(path); }

std::vector<std::string> FaultyHttpServer::Requests() const {
  const auto log = folder_ / "requests.log";
  if (!std::filesystem::exists(log)) return {};
  return SplitLines(ReadFile(log));
}

}  // namespace veska_test
