// The launcher's receiver on the client pipe, fed the client's bytes in
// pieces of the input's choosing, in a receive buffer that grows as the
// transport's does. The same bytes in one piece must bring the same calls.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/support/fuzz_check.h"
#include "zerozedev/pipe/cef_pipe_channel.h"
#include "zerozedev/pipe/cef_server_channel.h"

namespace {

std::vector<std::string>* g_calls = nullptr;

void Record(const std::string& call) { g_calls->push_back(call); }

const ChannelCallback kOnError([](CefPipeChannel&) { Record("error"); });
const ChannelCallback kOnHeartbeat([](CefPipeChannel&) { Record("heartbeat"); });
const ChannelCallback kOnExit([](CefPipeChannel&) { Record("exit"); });
const ChannelCallback kOnUrl([](CefPipeChannel&, const std::string& url) { Record("url " + url); });

CallbackTable Callbacks() {
  CallbackTable table;
  table.Register("onError", &kOnError);
  table.Register("onHeartBeat", &kOnHeartbeat);
  table.Register("onUpdateUrl", &kOnUrl);
  table.Register("onExitProcess", &kOnExit);
  return table;
}

// The transport's side: room for each read, the bytes appended, the
// receiver called; false once the receiver dropped the connection.
class Transport {
 public:
  explicit Transport(unsigned capacity)
      : bytes_(std::make_unique<std::uint8_t[]>(capacity)), buffer_{bytes_.get(), capacity, 0} {}

  bool Deliver(Cef_ServerChannel& receiver, const std::vector<std::uint8_t>& piece) {
    const unsigned size = static_cast<unsigned>(piece.size());
    if (buffer_.capacity - buffer_.used < size) {
      const unsigned grown = buffer_.capacity + size;
      auto larger = std::make_unique<std::uint8_t[]>(grown);
      std::memcpy(larger.get(), bytes_.get(), buffer_.used);
      bytes_ = std::move(larger);
      buffer_.data = bytes_.get();
      buffer_.capacity = grown;
    }
    std::memcpy(buffer_.data + buffer_.used, piece.data(), size);
    buffer_.used += size;
    const bool kept = receiver.OnRead(buffer_);
    FUZZ_CHECK(buffer_.used <= buffer_.capacity);
    return kept;
  }

 private:
  std::unique_ptr<std::uint8_t[]> bytes_;
  ReceiveBuffer buffer_;
};

std::vector<std::string> Receive(const std::vector<std::vector<std::uint8_t>>& pieces, unsigned capacity) {
  std::vector<std::string> calls;
  g_calls = &calls;
  {
    CefPipeChannel owner;
    Cef_ServerChannel receiver(owner, Callbacks());
    Transport transport(capacity);
    for (const auto& piece : pieces) {
      if (!transport.Deliver(receiver, piece)) break;
    }
  }
  g_calls = nullptr;
  return calls;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The receiver's diagnostic lines.
  FUZZ_CHECK(std::freopen("/dev/null", "w", stdout) != nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const unsigned capacity = input.ConsumeIntegralInRange<unsigned>(16, 4096);
  std::vector<std::vector<std::uint8_t>> pieces;
  std::vector<std::uint8_t> whole;
  while (input.remaining_bytes() > 0) {
    auto piece = input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(1, 64));
    if (piece.empty()) break;
    whole.insert(whole.end(), piece.begin(), piece.end());
    pieces.push_back(std::move(piece));
  }
  const std::vector<std::string> in_pieces = Receive(pieces, capacity);
  if (pieces.empty()) return 0;
  const std::vector<std::string> at_once = Receive({whole}, capacity);
  FUZZ_CHECK(in_pieces == at_once);
  return 0;
}
