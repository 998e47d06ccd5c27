#include "zerozedev/pipe/cef_server_channel.h"

#include <string>

#include "zerozedev/log/launcher_log.h"
#include "zerozedev/pipe/cef_pipe_channel.h"
#include "zerozedev/pipe/diagnostic_line.h"
#include "zerozedev/pipe/message_drain.h"
#include "zerozedev/pipe/pipe_channel_impl.h"
#include "zerozedev/pipe/pipe_message.h"

namespace {

// Applies the client's messages to the owner through its callback table.
class ClientMessageSink final : public MessageSink {
 public:
  ClientMessageSink(CefPipeChannel& owner, const CallbackTable& table)
      : owner_(owner), table_(table) {}

  bool OnHeader(const MessageHeader& header) override {
    switch (header.type) {
      case MSG_HEARTBEAT:
        WriteDiagnosticLine("receving MSG_HEARTBEAT");
        return true;
      case MSG_UPDATEURL:
        WriteDiagnosticLine("receving MSG_UPDATEURL");
        return true;
      case MSG_EXITPROCESS:
        WriteDiagnosticLine("receving MSG_EXITPROCESS");
        return true;
      default:
        WriteDiagnosticLine("receving unknown msg: " + std::to_string(header.type));
        return false;
    }
  }

  void OnMessage(const MessageHeader& header, std::string_view payload) override {
    switch (header.type) {
      case MSG_HEARTBEAT:
        table_.Dispatch("onHeartBeat", owner_);
        break;
      case MSG_UPDATEURL:
        table_.Dispatch("onUpdateUrl", owner_, std::string(payload));
        break;
      case MSG_EXITPROCESS:
        table_.Dispatch("onExitProcess", owner_);
        break;
      default:
        break;
    }
  }

 private:
  CefPipeChannel& owner_;
  const CallbackTable& table_;
};

}  // namespace

Cef_ServerChannel::Cef_ServerChannel(CefPipeChannel& owner, const CallbackTable& table)
    : owner_(owner), table_(table) {}

Cef_ServerChannel::~Cef_ServerChannel() {
  if (!transport_) return;
  const auto notice = EncodeMessage(MSG_CLOSING_NOTICE);
  transport_->Send(notice.data(), static_cast<unsigned>(notice.size()));
  transport_->Close(5);
  transport_->Wait();
  transport_.reset();
}

bool Cef_ServerChannel::InitPipeChannel() {
  failure_.clear();
  auto transport = CreatePipeChannel(this, &failure_);
  if (!transport) {
    LauncherLog::Instance().Write(4, "cef_pipe_channel", __LINE__,
                                  "Cef_ServerChannel::InitPipeChannel", "CreatePipeChannel: %s",
                                  failure_.c_str());
    return false;
  }
  failure_.clear();
  transport_ = std::move(transport);
  return true;
}

bool Cef_ServerChannel::OnRead(ReceiveBuffer& buffer) {
  ClientMessageSink sink(owner_, table_);
  const DrainOutcome outcome = DrainMessages(buffer, sink);
  if (outcome.result == DrainResult::kNeedMore) return true;
  if (outcome.result == DrainResult::kBadLength) {
    // A length below the header would never be consumed: the stream cannot
    // be trusted any further.
    LauncherLog::Instance().Write(4, "cef_pipe_channel", __LINE__, "Cef_ServerChannel::OnRead",
                                  "bad msg length %u for type %u", outcome.header.length,
                                  outcome.header.type);
  } else if (outcome.result == DrainResult::kTooLong) {
    LauncherLog::Instance().Write(4, "cef_pipe_channel", __LINE__, "Cef_ServerChannel::OnRead",
                                  "msg length %u for type %u exceeds the limit of %u bytes",
                                  outcome.header.length, outcome.header.type, kMaxMessageLength);
  }
  OnError();
  return false;
}

void Cef_ServerChannel::OnError() { table_.Dispatch("onError", owner_); }

std::string Cef_ServerChannel::GetName() const {
  return transport_ ? transport_->GetName() : std::string();
}
