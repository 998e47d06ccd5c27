// The header block of an HTTP answer as the transfer library hands it to the
// range probe: whether the server takes byte ranges.

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/support/fuzz_check.h"
#include "updater/download/response_headers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view headers(reinterpret_cast<const char*>(data), size);
  const bool ranges = HasByteContentRange(headers);
  // HTTP/2 sends field names in lower case; a server may write any case.
  std::string lower(headers);
  std::string upper(headers);
  for (std::size_t i = 0; i < size; ++i) {
    if (lower[i] >= 'A' && lower[i] <= 'Z') lower[i] = static_cast<char>(lower[i] - 'A' + 'a');
    if (upper[i] >= 'a' && upper[i] <= 'z') upper[i] = static_cast<char>(upper[i] - 'a' + 'A');
  }
  FUZZ_CHECK(HasByteContentRange(lower) == ranges);
  FUZZ_CHECK(HasByteContentRange(upper) == ranges);
  FUZZ_CHECK(!ranges || lower.find("content-range") != std::string::npos);
  return 0;
}
