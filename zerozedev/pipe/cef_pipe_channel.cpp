#include "zerozedev/pipe/cef_pipe_channel.h"

#include <chrono>

#include "zerozedev/log/launcher_log.h"
#include "zerozedev/pipe/cef_server_channel.h"

namespace {

// Wall-clock time in 100-nanosecond units.
std::int64_t NowIn100ns() {
  using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>;
  return std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

CefPipeChannel::CefPipeChannel() : last_heartbeat_(NowIn100ns()) {}

CefPipeChannel::~CefPipeChannel() {
  // The receiver's loop thread calls into this object until the pipe is
  // closed, so the pipe goes before anything it could touch.
  channel_.reset();
}

bool CefPipeChannel::CreateCefPipe() {
  if (channel_) return true;

  on_error_ = std::make_unique<ChannelCallback>(ChannelCallback::Plain{[](CefPipeChannel&) {}});
  on_heartbeat_ = std::make_unique<ChannelCallback>(
      ChannelCallback::Plain{[](CefPipeChannel& owner) { owner.RecordHeartbeat(); }});
  on_update_url_ = std::make_unique<ChannelCallback>(ChannelCallback::WithText{
      [](CefPipeChannel& owner, const std::string& url) { owner.UpdateUrl(url); }});
  on_exit_process_ = std::make_unique<ChannelCallback>(
      ChannelCallback::Plain{[](CefPipeChannel& owner) { owner.SetRunning(false); }});

  // A retry after a failed start registers afresh instead of filling the
  // table with stale holders.
  callbacks_ = CallbackTable{};
  callbacks_.Register("onError", on_error_.get());
  callbacks_.Register("onHeartBeat", on_heartbeat_.get());
  callbacks_.Register("onUpdateUrl", on_update_url_.get());
  callbacks_.Register("onExitProcess", on_exit_process_.get());

  channel_ = std::make_unique<Cef_ServerChannel>(*this, callbacks_);
  if (channel_->InitPipeChannel()) {
    pipe_failure_.clear();
    return true;
  }

  LauncherLog::Instance().Write(4, "cef_pipe_channel", __LINE__, "CefPipeChannel::CreateCefPipe",
                                "InitPipeChannel failed");
  pipe_failure_ = channel_->FailureReason();
  channel_.reset();
  return false;
}

std::string CefPipeChannel::GetPipeName() const {
  return channel_ ? channel_->GetName() : std::string();
}

bool CefPipeChannel::HeartbeatSeen() {
  std::lock_guard<std::mutex> lock(heartbeat_mutex_);
  return heartbeat_seen_;
}

void CefPipeChannel::ClearHeartbeatSeen() {
  std::lock_guard<std::mutex> lock(heartbeat_mutex_);
  heartbeat_seen_ = false;
}

std::int64_t CefPipeChannel::GetHeartbeatAgeMs() {
  std::lock_guard<std::mutex> lock(heartbeat_mutex_);
  return (NowIn100ns() - last_heartbeat_) / 10000;
}

void CefPipeChannel::RecordHeartbeat() {
  std::lock_guard<std::mutex> lock(heartbeat_mutex_);
  last_heartbeat_ = NowIn100ns();
  heartbeat_seen_ = true;
}

std::string CefPipeChannel::GetLatestUrl() {
  std::lock_guard<std::mutex> lock(url_mutex_);
  LauncherLog::Instance().Write(4, "cef_pipe_channel", __LINE__, "CefPipeChannel::GetLatestUrl",
                                "url:%s", latest_url_.c_str());
  return latest_url_;
}

void CefPipeChannel::UpdateUrl(const std::string& url) {
  std::lock_guard<std::mutex> lock(url_mutex_);
  latest_url_ = url;
  LauncherLog::Instance().Write(4, "cef_pipe_channel", __LINE__, "CefPipeChannel::UpdateUrl",
                                "url:%s", latest_url_.c_str());
}
