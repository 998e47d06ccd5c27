#pragma once
// The client run waits on this thread: it looks at the channel once per
// interval, reports the age of the last heartbeat to the debugger output and
// ends once the running flag is false. Heartbeats have no deadline.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

class CefPipeChannel;

namespace zerozedev {

class HeartbeatMonitor {
 public:
  using DebugOutput = std::function<void(std::string_view)>;

  static constexpr std::chrono::milliseconds kInterval{1000};

  // `debug_output` receives the "duration: <ms>\r\n" lines.
  explicit HeartbeatMonitor(std::shared_ptr<CefPipeChannel> channel,
                            std::chrono::milliseconds interval = kInterval,
                            DebugOutput debug_output = {});
  // Stops the thread if it still runs.
  ~HeartbeatMonitor();
  HeartbeatMonitor(const HeartbeatMonitor&) = delete;
  HeartbeatMonitor& operator=(const HeartbeatMonitor&) = delete;

  // Starts the thread once; later calls do nothing.
  void Start();
  // Returns once the thread has seen the running flag false.
  void Join();

 private:
  void Run();

  std::shared_ptr<CefPipeChannel> channel_;
  std::thread thread_;
  std::condition_variable wake_;
  std::mutex mutex_;
  const std::chrono::milliseconds interval_;
  bool started_ = false;
  bool stop_ = false;  // set only by the destructor
  DebugOutput debug_output_;
};

}  // namespace zerozedev
