// KvtIERunUrl: an address opened by the desktop's handler or the browser.

#include <chrono>
#include <string>

#include "command_line_quote.h"
#include "kvt.h"
#include "platform/process.h"
#include "wide_text.h"

namespace {

// ShellExecuteW "open" on the address, and "iexplore" with the address: the
// desktop's handler and the user's browser, both found on PATH.
constexpr const char* kDocumentOpener = "xdg-open";
constexpr const char* kBrowser = "x-www-browser";

// An opener still running by then has taken the address over.
constexpr std::chrono::seconds kOpenerVerdict{5};

// ShellExecuteW's result of 32 or more: the opener started and did not
// report a failure of its own.
bool Open(const char* opener, const std::string& url) {
  auto process = platform::Spawn(std::string(opener) + " " + kvt::QuoteArgument(url));
  if (!process) return false;
  if (process->Wait(kOpenerVerdict) != platform::WaitOutcome::kExited) return true;
  return process->ExitCode() == 0;
}

}  // namespace

// There is no browser automation object to fall back on.
extern "C" bool KvtIERunUrl(const char16_t* url, bool preferBrowserExe) {
  if (url == nullptr) return false;
  const std::string address = kvt::Utf8Arg(url);
  if (preferBrowserExe) return Open(kBrowser, address) || Open(kDocumentOpener, address);
  return Open(kDocumentOpener, address) || Open(kBrowser, address);
}
