// The crash-report collector: an HTTP server on 127.0.0.1 that takes the
// launcher's multipart crash uploads and stores them for tests and the demo.
// Its options: crash_collector --help.

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <thread>

#include "tools/crash_collector/collector_options.h"
#include "tools/crash_collector/received_upload.h"

namespace {

class Collector {
 public:
  explicit Collector(const CollectorOptions& options) : options_(options) {}

  void Handle(const httplib::Request& request, httplib::Response& response) {
    ReceivedUpload upload{request.path, {}};
    for (const auto& [name, part] : request.files) upload.parts.push_back({name, part.filename, part.content});
    std::string problem = request.is_multipart_form_data() ? CheckUpload(upload) : "not multipart/form-data";
    if (problem.empty()) {
      StoreUpload(options_.store, ++stored_, upload, problem);
    }
    if (!problem.empty()) {
      Reject(request.path, problem);
      response.status = 400;
      response.set_content(problem + "\n", "text/plain");
      return;
    }
    if (options_.delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(options_.delay_ms));
    response.status = options_.status;
    response.set_content("stored\n", "text/plain");
  }

 private:
  void Reject(const std::string& path, const std::string& problem) {
    std::fprintf(stderr, "crash_collector: %s: %s\n", path.c_str(), problem.c_str());
    std::lock_guard lock(rejected_mutex_);
    std::ofstream(options_.store + "/rejected.txt", std::ios::app) << path << ": " << problem << "\n";
  }

  const CollectorOptions options_;
  std::atomic<int> stored_{0};
  std::mutex rejected_mutex_;
};

}  // namespace

int main(int argc, char** argv) {
  CollectorOptions options;
  if (const auto exit_code = ParseCollectorOptions(argc, argv, options)) return *exit_code;

  httplib::Server server;
  Collector collector(options);
  server.set_payload_max_length(512u * 1024 * 1024);
  server.Post(".*", [&](const httplib::Request& request, httplib::Response& response) {
    collector.Handle(request, response);
  });

  int port = options.port;
  if (port == 0) {
    port = server.bind_to_any_port("127.0.0.1");
  } else if (!server.bind_to_port("127.0.0.1", port)) {
    port = -1;
  }
  if (port <= 0) {
    std::fprintf(stderr, "crash_collector: cannot listen on 127.0.0.1\n");
    return 1;
  }
  std::printf("port %d\n", port);
  std::fflush(stdout);

  std::mutex mutex;
  std::condition_variable ended;
  bool listening_over = false;
  std::thread lifetime([&] {
    std::unique_lock lock(mutex);
    ended.wait_for(lock, std::chrono::seconds(options.lifetime_seconds), [&] { return listening_over; });
    server.stop();
  });
  server.listen_after_bind();
  {
    std::lock_guard lock(mutex);
    listening_over = true;
  }
  ended.notify_all();
  lifetime.join();
  return 0;
}
