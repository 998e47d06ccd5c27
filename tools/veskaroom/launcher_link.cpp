#include "tools/veskaroom/launcher_link.h"

#include "zerozedev/pipe/message_drain.h"
#include "zerozedev/pipe/pipe_message.h"

namespace {

constexpr unsigned kReceiveBufferSize = 64 * 1024;

// The launcher sends nothing but the closing notice.
class LauncherMessageSink final : public MessageSink {
 public:
  LauncherMessageSink(EventRecord& record, ClientLife& life) : record_(record), life_(life) {}
  bool OnHeader(const MessageHeader& header) override {
    if (header.type == MSG_CLOSING_NOTICE) return true;
    record_.Write("unknown_message " + std::to_string(header.type));
    return false;
  }
  void OnMessage(const MessageHeader&, std::string_view) override {
    record_.Write("closing_notice");
    life_.End();
  }

 private:
  EventRecord& record_;
  ClientLife& life_;
};

}  // namespace

LauncherLink::LauncherLink(EventRecord& record, ClientLife& life) : record_(record), life_(life) {}

LauncherLink::~LauncherLink() { Close(); }

bool LauncherLink::InitPipeChannel() {
  transport_ = CreateClientPipeChannel(this);
  if (!transport_) return false;
  transport_->Start(kReceiveBufferSize);
  return true;
}

bool LauncherLink::Connect(const std::string& host, std::string& failure) {
  if (!InitPipeChannel()) {
    failure = "cannot set up the event loop";
    return false;
  }
  if (transport_->Connect(host)) return true;
  failure = transport_->FailureReason();
  return false;
}

bool LauncherLink::OnRead(ReceiveBuffer& buffer) {
  LauncherMessageSink sink(record_, life_);
  return DrainMessages(buffer, sink).result == DrainResult::kNeedMore;
}

void LauncherLink::OnError() {
  record_.Write("disconnected");
  life_.End();
}

void LauncherLink::SendMessageOfType(unsigned type, const std::string& payload) {
  if (!transport_) return;
  const auto bytes = EncodeMessage(type, payload);
  transport_->Send(bytes.data(), static_cast<unsigned>(bytes.size()));
}

void LauncherLink::SendHeartbeat() { SendMessageOfType(MSG_HEARTBEAT, {}); }
void LauncherLink::SendUrl(const std::string& url) { SendMessageOfType(MSG_UPDATEURL, url); }
void LauncherLink::SendExitRequest() { SendMessageOfType(MSG_EXITPROCESS, {}); }

void LauncherLink::Close() {
  if (!transport_) return;
  transport_->Close(5);
  transport_->Wait();
  transport_.reset();
}
