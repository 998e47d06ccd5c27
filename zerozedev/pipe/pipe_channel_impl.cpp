#include "zerozedev/pipe/pipe_channel_impl.h"

#include <uv.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <list>
#include <mutex>
#include <new>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/broken_pipe_guard.h"
#include "platform/pipe_path.h"
#include "zerozedev/pipe/pipe_name.h"

namespace {

constexpr int kListenBacklog = 8;
constexpr auto kConnectTimeout = std::chrono::seconds(15);
constexpr auto kCloseWaitStep = std::chrono::seconds(1);

// One queued write; lives until libuv reports the write done, because libuv
// on Unix writes from the caller's memory when the socket cannot take the
// bytes at once.
struct PendingWrite {
  uv_write_t request{};
  std::vector<std::uint8_t> bytes;
};

}  // namespace

struct PipeChannelImpl::LoopState {
  explicit LoopState(ReadCallback* receiver_in, bool server_in)
      : server(server_in), receiver(receiver_in) {
    loop_ready = uv_loop_init(&loop) == 0;
    loop.data = this;
  }
  ~LoopState() {
    // A loop whose thread never ran still needs closing.
    if (loop_ready && !loop_closed) uv_loop_close(&loop);
  }
  LoopState(const LoopState&) = delete;
  LoopState& operator=(const LoopState&) = delete;

  // Set before the loop thread starts, then read-only.
  const bool server;
  bool loop_ready = false;
  uv_loop_t loop{};
  uv_async_t send_wakeup{};
  uv_async_t close_wakeup{};
  uv_pipe_t listening{};
  uv_pipe_t connection{};
  uv_connect_t connect_request{};

  // Loop thread only, once it runs.
  bool loop_closed = false;
  bool accepted = false;
  std::unique_ptr<std::uint8_t[]> buffer_bytes;
  ReceiveBuffer buffer;

  // Held while the receiver is called, so the owner can cut it off safely.
  std::mutex receiver_mutex;
  ReadCallback* receiver;

  std::mutex queue_mutex;
  std::list<std::vector<std::uint8_t>> queue;
  bool send_open = false;  // the send wake-up exists and is not closing

  std::mutex close_mutex;
  std::condition_variable close_condition;
  bool close_requested = false;
  bool handles_open = false;  // the close wake-up exists and is not closing

  std::mutex connect_mutex;
  std::condition_variable connect_condition;
  int connect_status = -1;  // -1 pending, 0 connected, 1 failed

  // Both wake-ups; the send wake-up first, so a message queued just before a
  // close request is flushed before the handles close.
  void InitWakeups();
  void CloseAllHandles();
  void Flush();
  void ReceiveBytes(ssize_t nread);
};

namespace {

using LoopState = PipeChannelImpl::LoopState;

LoopState& StateOf(const uv_handle_t* handle) {
  return *static_cast<LoopState*>(handle->loop->data);
}
template <class Handle>
LoopState& StateOf(const Handle* handle) {
  return StateOf(reinterpret_cast<const uv_handle_t*>(handle));
}

void OnAllocate(uv_handle_t* handle, size_t suggested, uv_buf_t* out) {
  ReceiveBuffer& buffer = StateOf(handle).buffer;
  std::unique_ptr<std::uint8_t[]>& bytes = StateOf(handle).buffer_bytes;
  const size_t room = buffer.capacity - buffer.used;
  if (room < suggested) {
    const size_t grown = std::min<size_t>(static_cast<size_t>(buffer.capacity) + suggested, kMaxReceiveBufferSize);
    // At the limit, or without memory for more: what room is left, then
    // none, which libuv reports to the read callback as UV_ENOBUFS.
    std::unique_ptr<std::uint8_t[]> larger(grown > buffer.capacity ? new (std::nothrow) std::uint8_t[grown]
                                                                   : nullptr);
    if (!larger) {
      *out = uv_buf_init(reinterpret_cast<char*>(buffer.data + buffer.used), static_cast<unsigned>(room));
      return;
    }
    if (buffer.used > 0) std::memcpy(larger.get(), bytes.get(), buffer.used);
    bytes = std::move(larger);
    buffer.data = bytes.get();
    buffer.capacity = static_cast<unsigned>(grown);
  }
  *out = uv_buf_init(reinterpret_cast<char*>(buffer.data + buffer.used),
                     buffer.capacity - buffer.used);
}

void OnRead(uv_stream_t* stream, ssize_t nread, const uv_buf_t*) {
  StateOf(stream).ReceiveBytes(nread);
}

void OnConnection(uv_stream_t* listening, int) {
  LoopState& state = StateOf(listening);
  if (!state.accepted) {
    if (uv_accept(listening, reinterpret_cast<uv_stream_t*>(&state.connection)) == 0) {
      state.accepted = true;
      uv_read_start(reinterpret_cast<uv_stream_t*>(&state.connection), OnAllocate, OnRead);
    }
    return;
  }
  // One connection per server: a later client is accepted only to be closed,
  // so it learns at once that nobody serves it.
  auto* refused = new uv_pipe_t;
  uv_pipe_init(&state.loop, refused, 0);
  uv_accept(listening, reinterpret_cast<uv_stream_t*>(refused));
  uv_close(reinterpret_cast<uv_handle_t*>(refused),
           [](uv_handle_t* handle) { delete reinterpret_cast<uv_pipe_t*>(handle); });
}

void OnConnect(uv_connect_t* request, int status) {
  LoopState& state = StateOf(request->handle);
  if (status == 0) {
    uv_read_start(reinterpret_cast<uv_stream_t*>(&state.connection), OnAllocate, OnRead);
  }
  {
    std::lock_guard<std::mutex> lock(state.connect_mutex);
    state.connect_status = status == 0 ? 0 : 1;
  }
  state.connect_condition.notify_all();
}

void OnWritten(uv_write_t* request, int) {
  delete static_cast<PendingWrite*>(request->data);
}

// Loop threads of the process that have not ended yet, attached or not.
class RunningLoops {
 public:
  void Add() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++running_;
  }
  void Done() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      --running_;
    }
    ended_.notify_all();
  }
  bool WaitForNone(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    return ended_.wait_for(lock, limit, [&] { return running_ == 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable ended_;
  int running_ = 0;
};

RunningLoops& TheRunningLoops() {
  static RunningLoops* loops = new RunningLoops;  // outlives every detached thread
  return *loops;
}

void RunWork(std::shared_ptr<LoopState> state) {
  platform::ShieldThreadFromBrokenPipeSignal();
  uv_run(&state->loop, UV_RUN_DEFAULT);
  state->loop_closed = uv_loop_close(&state->loop) == 0;
  std::fputs("RunWork exit\n", stdout);
  std::fflush(stdout);
  state.reset();
  TheRunningLoops().Done();
}

}  // namespace

void LoopState::InitWakeups() {
  uv_async_init(&loop, &send_wakeup, [](uv_async_t* handle) { StateOf(handle).Flush(); });
  uv_async_init(&loop, &close_wakeup,
                [](uv_async_t* handle) { StateOf(handle).CloseAllHandles(); });
  {
    std::lock_guard<std::mutex> lock(queue_mutex);
    send_open = true;
  }
  std::lock_guard<std::mutex> lock(close_mutex);
  handles_open = true;
}

void LoopState::CloseAllHandles() {
  {
    std::lock_guard<std::mutex> lock(close_mutex);
    if (!handles_open) return;
    handles_open = false;
    if (server) uv_close(reinterpret_cast<uv_handle_t*>(&listening), nullptr);
    uv_close(reinterpret_cast<uv_handle_t*>(&connection), nullptr);
    uv_close(reinterpret_cast<uv_handle_t*>(&close_wakeup), nullptr);
  }
  {
    std::lock_guard<std::mutex> lock(queue_mutex);
    send_open = false;
    queue.clear();
    uv_close(reinterpret_cast<uv_handle_t*>(&send_wakeup), nullptr);
  }
  close_condition.notify_all();
}

void LoopState::Flush() {
  std::lock_guard<std::mutex> lock(queue_mutex);
  for (auto& bytes : queue) {
    auto* write = new PendingWrite;
    write->bytes = std::move(bytes);
    write->request.data = write;
    const uv_buf_t piece = uv_buf_init(reinterpret_cast<char*>(write->bytes.data()),
                                       static_cast<unsigned>(write->bytes.size()));
    // A failed write (no client yet, client gone) is dropped.
    if (uv_write(&write->request, reinterpret_cast<uv_stream_t*>(&connection), &piece, 1,
                 OnWritten) != 0) {
      delete write;
    }
  }
  queue.clear();
}

void LoopState::ReceiveBytes(ssize_t nread) {
  if (nread == 0) return;
  if (nread > 0) {
    buffer.used += static_cast<unsigned>(nread);
    if (buffer.used > buffer.capacity) buffer.used = 0;
    std::lock_guard<std::mutex> lock(receiver_mutex);
    if (receiver != nullptr && !receiver->OnRead(buffer)) {
      CloseAllHandles();
      receiver->OnError();
    }
    return;
  }
  if (nread == UV_ENOBUFS) {
    // The buffer is full at its limit and the receiver still waits for more:
    // a protocol error. Reading on would only spin on the same full buffer.
    CloseAllHandles();
    std::lock_guard<std::mutex> lock(receiver_mutex);
    if (receiver != nullptr) receiver->OnError();
    return;
  }
  {
    std::lock_guard<std::mutex> lock(receiver_mutex);
    if (receiver != nullptr) receiver->OnError();
  }
  // The server keeps its handles (and its loop) until it is closed.
  if (!server) CloseAllHandles();
}

PipeChannelImpl::PipeChannelImpl(ReadCallback* receiver, Role role)
    : state_(std::make_shared<LoopState>(receiver, role == Role::kServer)),
      server_(role == Role::kServer) {}

PipeChannelImpl::~PipeChannelImpl() {
  // Owners close and wait first; one that did not must not leave a loop
  // running on freed memory.
  if (loop_thread_.joinable()) {
    Close(5);
    Wait();
  }
  std::lock_guard<std::mutex> lock(state_->receiver_mutex);
  state_->receiver = nullptr;
}

bool PipeChannelImpl::StartLoopThread() {
  if (loop_thread_.joinable()) return true;
  TheRunningLoops().Add();
  try {
    loop_thread_ = std::thread(RunWork, state_);
    return true;
  } catch (const std::system_error& error) {
    TheRunningLoops().Done();
    failure_ = std::string("cannot start the loop thread: ") + error.what();
    return false;
  }
}

bool PipeChannelImpl::WaitForLoopThreads(std::chrono::milliseconds limit) {
  return TheRunningLoops().WaitForNone(limit);
}

bool PipeChannelImpl::HasLoop() const { return state_->loop_ready; }

std::string PipeChannelImpl::GetName() { return short_name_; }

void PipeChannelImpl::Wait() {
  if (loop_thread_.joinable()) loop_thread_.join();
}

void PipeChannelImpl::Start(unsigned bufferSize) {
  // Once the loop runs, the buffer and the handles belong to its thread.
  if (!state_->loop_ready || loop_thread_.joinable() || listening_ || connect_attempted_) return;
  if (bufferSize != 0) {
    state_->buffer_bytes = std::make_unique<std::uint8_t[]>(bufferSize);
    state_->buffer = ReceiveBuffer{state_->buffer_bytes.get(), bufferSize, 0};
  }
  if (!server_) return;

  short_name_ = DrawPipeShortName();
  auto path = platform::PipeSocketPath(PipeNameForShortName(short_name_));
  if (!path) {
    failure_ = path.error().Describe();
    return;
  }
  LoopState& state = *state_;
  state.InitWakeups();
  uv_pipe_init(&state.loop, &state.listening, 0);
  // On Unix, libuv's IPC mode passes the bytes of a write as they are (no
  // frame header): both ends are libuv, so they agree.
  uv_pipe_init(&state.loop, &state.connection, 1);

  // The name carries our own process id, so a socket already at that path
  // was left by a dead process that had the same id.
  uv_fs_t unlink_request;
  uv_fs_unlink(nullptr, &unlink_request, path->c_str(), nullptr);
  uv_fs_req_cleanup(&unlink_request);

  int error = uv_pipe_bind(&state.listening, path->c_str());
  if (error == 0) {
    error = uv_listen(reinterpret_cast<uv_stream_t*>(&state.listening), kListenBacklog,
                      OnConnection);
  }
  if (error != 0) failure_ = std::string("cannot serve ") + *path + ": " + uv_strerror(error);
  listening_ = StartLoopThread() && error == 0;
}

bool PipeChannelImpl::Connect(std::string name) {
  if (server_ || !state_->loop_ready) return false;
  LoopState& state = *state_;
  if (connect_attempted_) {
    std::unique_lock<std::mutex> lock(state.connect_mutex);
    state.connect_condition.wait_for(lock, kConnectTimeout,
                                     [&] { return state.connect_status != -1; });
    return state.connect_status == 0;
  }
  connect_attempted_ = true;
  short_name_ = name;
  auto path = platform::PipeSocketPath(PipeNameForShortName(name));
  if (!path) {
    failure_ = path.error().Describe();
    return false;
  }
  state.InitWakeups();
  uv_pipe_init(&state.loop, &state.connection, 1);  // IPC mode, as the server's end
  uv_pipe_connect(&state.connect_request, &state.connection, path->c_str(), OnConnect);
  if (!StartLoopThread()) return false;

  std::unique_lock<std::mutex> lock(state.connect_mutex);
  state.connect_condition.wait_for(lock, kConnectTimeout,
                                   [&] { return state.connect_status != -1; });
  if (state.connect_status == 0) return true;
  failure_ = state.connect_status == -1 ? "connect timed out" : "cannot connect to " + *path;
  return false;
}

void PipeChannelImpl::Send(const void* data, unsigned size) {
  LoopState& state = *state_;
  std::vector<std::uint8_t> bytes(static_cast<const std::uint8_t*>(data),
                                  static_cast<const std::uint8_t*>(data) + size);
  std::lock_guard<std::mutex> lock(state.queue_mutex);
  if (!state.send_open) return;
  state.queue.push_back(std::move(bytes));
  uv_async_send(&state.send_wakeup);
}

void PipeChannelImpl::Close(unsigned maxSeconds) {
  if (!loop_thread_.joinable()) return;
  LoopState& state = *state_;
  std::unique_lock<std::mutex> lock(state.close_mutex);
  if (state.close_requested || !state.handles_open) return;
  state.close_requested = true;
  uv_async_send(&state.close_wakeup);

  // Leave the thread joinable only when the loop let go of its handles
  // before the last step; otherwise it is left to finish on its own.
  bool closed_early = false;
  for (unsigned step = 1; step <= maxSeconds; ++step) {
    if (state.close_condition.wait_for(lock, kCloseWaitStep,
                                       [&] { return !state.handles_open; })) {
      closed_early = step < maxSeconds;
      break;
    }
  }
  lock.unlock();
  if (!closed_early) loop_thread_.detach();
}

std::unique_ptr<PipeChannelImpl> CreatePipeChannel(PipeChannel::ReadCallback* receiver,
                                                   std::string* failure) {
  try {
    auto channel = std::make_unique<PipeChannelImpl>(receiver, PipeChannelImpl::Role::kServer);
    if (!channel->HasLoop()) {
      if (failure != nullptr) *failure = "cannot set up the event loop";
      return nullptr;
    }
    channel->Start(kDefaultReceiveBufferSize);
    if (!channel->IsListening()) {
      if (failure != nullptr) *failure = channel->FailureReason();
      channel->Close(5);
      channel->Wait();
      return nullptr;
    }
    return channel;
  } catch (...) {
    if (failure != nullptr) *failure = "out of memory";
    return nullptr;
  }
}

std::unique_ptr<PipeChannelImpl> CreateClientPipeChannel(PipeChannel::ReadCallback* receiver) {
  try {
    auto channel = std::make_unique<PipeChannelImpl>(receiver, PipeChannelImpl::Role::kClient);
    if (!channel->HasLoop()) return nullptr;
    return channel;
  } catch (...) {
    return nullptr;
  }
}
