#include "callback_recorder.h"

#include "platform/text.h"

namespace veska_test {

using google_breakpad::ClientInfo;

namespace {

ServerEvent EventFor(ServerEvent::Kind kind, const ClientInfo* info) {
  ServerEvent event;
  event.kind = kind;
  event.pid = info->pid();
  event.custom_info = info->custom_info();
  return event;
}

}  // namespace

void CallbackRecorder::OnConnected(void* context, const ClientInfo* info) {
  static_cast<CallbackRecorder*>(context)->Add(EventFor(ServerEvent::kConnected, info));
}

void CallbackRecorder::OnDumped(void* context, const ClientInfo* info, const std::u16string* path) {
  ServerEvent event = EventFor(ServerEvent::kDumped, info);
  event.has_path = path != nullptr;
  if (path != nullptr) event.path = platform::Utf16ToUtf8(*path);
  static_cast<CallbackRecorder*>(context)->Add(std::move(event));
}

void CallbackRecorder::OnExited(void* context, const ClientInfo* info) {
  static_cast<CallbackRecorder*>(context)->Add(EventFor(ServerEvent::kExited, info));
}

void CallbackRecorder::OnUpload(void* context, const ClientInfo* info,
                                const google_breakpad::UploadPayload* payload) {
  auto* self = static_cast<CallbackRecorder*>(context);
  ServerEvent event = EventFor(ServerEvent::kUpload, info);
  event.payload = *payload;
  self->Add(std::move(event));
  std::unique_lock lock(self->mutex_);
  if (self->hold_uploads_) {
    self->changed_.wait_for(lock, self->hold_bound_, [self] { return self->released_; });
  }
  self->upload_finished_ = true;
  self->changed_.notify_all();
}

std::unique_ptr<google_breakpad::CrashGenerationServer> CallbackRecorder::MakeServer(
    const std::u16string& pipe_name, const std::string& dump_folder) {
  const std::u16string folder = platform::Utf8ToUtf16(dump_folder);
  return std::make_unique<google_breakpad::CrashGenerationServer>(pipe_name, OnConnected, this, OnDumped, this,
                                                                  OnExited, this, OnUpload, this, true, &folder);
}

void CallbackRecorder::Add(ServerEvent event) {
  std::lock_guard lock(mutex_);
  events_.push_back(std::move(event));
  changed_.notify_all();
}

std::vector<ServerEvent> CallbackRecorder::Events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::vector<ServerEvent> CallbackRecorder::EventsOf(ServerEvent::Kind kind) const {
  std::vector<ServerEvent> matching;
  for (ServerEvent& event : Events()) {
    if (event.kind == kind) matching.push_back(std::move(event));
  }
  return matching;
}

bool CallbackRecorder::WaitFor(ServerEvent::Kind kind, size_t count, std::chrono::milliseconds limit) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [&] {
    size_t seen = 0;
    for (const ServerEvent& event : events_) seen += event.kind == kind;
    return seen >= count;
  });
}

void CallbackRecorder::HoldUploads(std::chrono::milliseconds bound) {
  std::lock_guard lock(mutex_);
  hold_uploads_ = true;
  hold_bound_ = bound;
}

void CallbackRecorder::Release() {
  std::lock_guard lock(mutex_);
  released_ = true;
  changed_.notify_all();
}

bool CallbackRecorder::upload_finished() const {
  std::lock_guard lock(mutex_);
  return upload_finished_;
}

}  // namespace veska_test
