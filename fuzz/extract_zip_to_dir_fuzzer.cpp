// An archive of any content unpacked by "zlib.dll"'s ExtractZipToDir into an
// empty folder, as the updater unpacks a downloaded package. Nothing may
// appear outside that folder, no link may be made, no partial entry stay,
// and the archive itself is left as it was.

#include <cstdint>
#include <filesystem>
#include <string>

#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/scratch.h"
#include "platform/text.h"

extern "C" std::int32_t ExtractZipToDir(const char16_t* archive, const char16_t* folder, std::int32_t reserved);

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path outer = fuzz::FreshFolder("outer");
  const fs::path archive = outer / "update.zip";
  const fs::path folder = outer / "app";
  fs::create_directory(folder);
  fuzz::WriteFile(archive, data, size);

  const std::int32_t result = ExtractZipToDir(platform::Utf8ToUtf16(archive.string()).c_str(),
                                              platform::Utf8ToUtf16(folder.string()).c_str(), 0);
  // Unpacked, not an archive, or some entries refused.
  FUZZ_CHECK(result == 0 || result == 1 || result == 3);
  if (result == 1) FUZZ_CHECK(fs::is_empty(folder));

  for (const std::string& path : fuzz::TreeOf(outer)) {
    FUZZ_CHECK(path == "update.zip" || path == "app" || path.starts_with("app/"));
    FUZZ_CHECK(!fs::is_symlink(outer / path));
    FUZZ_CHECK(!path.ends_with(".update-part"));
  }
  FUZZ_CHECK(fs::file_size(archive) == size);
  return 0;
}
