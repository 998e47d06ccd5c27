#pragma once
// Serves the address hand-off pipe "\\.\Pipe\REZERU_veskaroom": every
// connection delivers the bytes of one address, ended by the writer closing
// its end. Each is recorded as a "handoff" line. Runs its own loop thread.

#include <memory>
#include <string>
#include <thread>

#include "tools/veskaroom/event_record.h"

inline constexpr char kHandoffPipeName[] = "\\\\.\\Pipe\\REZERU_veskaroom";

class HandoffServer {
 public:
  explicit HandoffServer(EventRecord& record);
  ~HandoffServer();
  HandoffServer(const HandoffServer&) = delete;
  HandoffServer& operator=(const HandoffServer&) = delete;

  // false (with the reason) when the pipe cannot be served, for instance
  // because another running client serves it.
  bool Start(std::string& failure);
  void Stop();

  struct State;

 private:
  std::shared_ptr<State> state_;
  std::thread thread_;
};
