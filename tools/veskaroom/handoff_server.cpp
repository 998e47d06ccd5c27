#include "tools/veskaroom/handoff_server.h"

#include <uv.h>

#include <mutex>

#include "platform/pipe_client.h"
#include "platform/pipe_path.h"
#include "tools/veskaroom/escaped_text.h"

struct HandoffServer::State {
  explicit State(EventRecord& record_in) : record(record_in) {}
  EventRecord& record;
  uv_loop_t loop{};
  uv_pipe_t listening{};
  uv_async_t stop{};
  std::mutex stop_mutex;
  bool stop_open = false;  // the stop wake-up exists and is not closing
};

namespace {

using State = HandoffServer::State;

// One writer's connection and the bytes it sent so far.
struct Delivery {
  uv_pipe_t pipe{};
  std::string bytes;
};

State& StateOf(uv_handle_t* handle) { return *static_cast<State*>(handle->loop->data); }

void CloseDelivery(Delivery* delivery) {
  uv_close(reinterpret_cast<uv_handle_t*>(&delivery->pipe),
           [](uv_handle_t* handle) { delete static_cast<Delivery*>(handle->data); });
}

void OnDeliveryRead(uv_stream_t* stream, ssize_t nread, const uv_buf_t* buf) {
  auto* delivery = static_cast<Delivery*>(stream->data);
  if (nread > 0) delivery->bytes.append(buf->base, static_cast<std::size_t>(nread));
  delete[] buf->base;
  if (nread >= 0) return;
  StateOf(reinterpret_cast<uv_handle_t*>(stream)).record.Write(
      "handoff " + EscapeForRecord(delivery->bytes));
  CloseDelivery(delivery);
}

void OnConnection(uv_stream_t* listening, int status) {
  if (status != 0) return;
  auto* delivery = new Delivery;
  uv_pipe_init(listening->loop, &delivery->pipe, 0);
  delivery->pipe.data = delivery;
  if (uv_accept(listening, reinterpret_cast<uv_stream_t*>(&delivery->pipe)) != 0) {
    CloseDelivery(delivery);
    return;
  }
  uv_read_start(
      reinterpret_cast<uv_stream_t*>(&delivery->pipe),
      [](uv_handle_t*, size_t suggested, uv_buf_t* out) {
        *out = uv_buf_init(new char[suggested], static_cast<unsigned>(suggested));
      },
      OnDeliveryRead);
}

void OnStop(uv_async_t* stop) {
  State& state = StateOf(reinterpret_cast<uv_handle_t*>(stop));
  {
    std::lock_guard<std::mutex> lock(state.stop_mutex);
    state.stop_open = false;
  }
  // Deliveries still open are cut off unrecorded: their writer did not finish.
  uv_walk(
      &state.loop,
      [](uv_handle_t* handle, void*) {
        if (!uv_is_closing(handle) && handle->type == UV_NAMED_PIPE && handle->data != nullptr) {
          CloseDelivery(static_cast<Delivery*>(handle->data));
        }
      },
      nullptr);
  uv_close(reinterpret_cast<uv_handle_t*>(&state.listening), nullptr);
  uv_close(reinterpret_cast<uv_handle_t*>(stop), nullptr);
}

}  // namespace

HandoffServer::HandoffServer(EventRecord& record) : state_(std::make_shared<State>(record)) {}

HandoffServer::~HandoffServer() { Stop(); }

bool HandoffServer::Start(std::string& failure) {
  auto path = platform::PipeSocketPath(kHandoffPipeName);
  if (!path) {
    failure = path.error().Describe();
    return false;
  }
  State& state = *state_;
  if (uv_loop_init(&state.loop) != 0) {
    failure = "cannot set up the event loop";
    return false;
  }
  state.loop.data = &state;
  uv_pipe_init(&state.loop, &state.listening, 0);
  int error = uv_pipe_bind(&state.listening, path->c_str());
  if (error == UV_EADDRINUSE) {
    // A socket that answers belongs to a running client, which keeps it;
    // one that does not was left by a client that died.
    if (platform::PipeClient::Connect(kHandoffPipeName)) {
      failure = "another client serves " + *path;
    } else {
      uv_fs_t unlink_request;
      uv_fs_unlink(nullptr, &unlink_request, path->c_str(), nullptr);
      uv_fs_req_cleanup(&unlink_request);
      error = uv_pipe_bind(&state.listening, path->c_str());
    }
  }
  if (error == 0) {
    error = uv_listen(reinterpret_cast<uv_stream_t*>(&state.listening), 8, OnConnection);
  }
  if (error != 0) {
    if (failure.empty()) failure = std::string("cannot serve ") + *path + ": " + uv_strerror(error);
    uv_close(reinterpret_cast<uv_handle_t*>(&state.listening), nullptr);
    uv_run(&state.loop, UV_RUN_DEFAULT);
    uv_loop_close(&state.loop);
    return false;
  }
  uv_async_init(&state.loop, &state.stop, OnStop);
  state.stop_open = true;
  thread_ = std::thread([state = state_] {
    uv_run(&state->loop, UV_RUN_DEFAULT);
    uv_loop_close(&state->loop);
  });
  return true;
}

void HandoffServer::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(state_->stop_mutex);
    if (state_->stop_open) uv_async_send(&state_->stop);
  }
  thread_.join();
}
