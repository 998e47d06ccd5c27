// The launcher's own command line (its arguments, cut at NUL bytes here) as
// it becomes the classroom client's command line, and that line as the
// process start splits it again.

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/support/argument_words.h"
#include "fuzz/support/fuzz_check.h"
#include "platform/process.h"
#include "platform/text.h"
#include "zerozedev/launch_arguments.h"
#include "zerozedev/run_client.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string command_line = zerozedev::CommandLineFromArgv(fuzz_support::ArgumentWords(data, size));
  const std::u16string launch_arguments = zerozedev::LaunchArgumentText(command_line);
  FUZZ_CHECK(command_line.ends_with(launch_arguments));

  const zerozedev::ClientCommandLine client = zerozedev::BuildClientCommandLine(launch_arguments, "np.fuzz");
  const std::string rendered = client.RenderUtf8();
  FUZZ_CHECK(platform::Utf16ToUtf8(client.GetCommandLineString()) == rendered);
  FUZZ_CHECK(!client.switches().empty());

  // Whatever the arguments, the process started is the client.
  const std::vector<std::string> argv = platform::SplitCommandLine(rendered);
  FUZZ_CHECK(!argv.empty() && argv.front() == "veskaroom.exe");
  return 0;
}
