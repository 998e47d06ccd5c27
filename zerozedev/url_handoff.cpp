#include "zerozedev/url_handoff.h"

#include "platform/pipe_client.h"
#include "platform/text.h"
#include "zerozedev/launcher_constants.h"

namespace zerozedev {

platform::Status ForwardUrlToRunningClient(const std::u16string& url_after_prefix) {
  auto pipe = platform::PipeClient::Connect(kClientUrlPipe);
  if (!pipe) return pipe.error();
  // The write's result is not checked: once the pipe is open the hand-off
  // counts as done, as it does for the running client's own protocol.
  (void)pipe->WriteAll(platform::Utf16ToAnsi(url_after_prefix));
  return platform::Status::Ok();
}

}  // namespace zerozedev
