// "update.zip" of any content, installed over a launcher folder as the
// launcher does at start-up. Nothing may appear outside that folder, no link
// may be made, and the package is gone afterwards.

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/scratch.h"
#include "zerozedev/update/install_update_package.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fs::path outer = fuzz::FreshFolder("outer");
  const fs::path folder = outer / "launcher";
  fs::create_directory(folder);
  fuzz::WriteFile(folder / "update.zip", data, size);

  zerozedev::InstallUpdatePackageIn(folder);

  for (const std::string& path : fuzz::TreeOf(outer)) {
    FUZZ_CHECK(path == "launcher" || path.starts_with("launcher/"));
    FUZZ_CHECK(!fs::is_symlink(outer / path));
    FUZZ_CHECK(!path.ends_with(".update-part"));
  }
  std::error_code ec;
  FUZZ_CHECK(!fs::exists(folder / "update.zip", ec) || fs::is_directory(folder / "update.zip", ec));
  return 0;
}
