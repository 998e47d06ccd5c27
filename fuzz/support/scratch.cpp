#include "fuzz/support/scratch.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "fuzz/support/fuzz_check.h"

namespace fuzz {
namespace fs = std::filesystem;
namespace {

fs::path MakeRoot() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/veska-fuzz-XXXXXX";
  FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
  const fs::path root = pattern;
  for (const char* folder : {"data", "runtime", "machine"}) fs::create_directory(root / folder);
  fs::permissions(root / "runtime", fs::perms::owner_all);
  setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (root / "runtime").c_str(), 1);
  setenv("VESKA_MACHINE_DIR", (root / "machine").c_str(), 1);
  return root;
}

}  // namespace

const fs::path& ScratchRoot() {
  static const fs::path root = [] {
    fs::path made = MakeRoot();
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(ScratchRoot(), ignored);
    });
    return made;
  }();
  return root;
}

fs::path FreshFolder(std::string_view name) {
  const fs::path folder = ScratchRoot() / name;
  std::error_code ec;
  fs::remove_all(folder, ec);
  FUZZ_CHECK(!ec);
  fs::create_directory(folder, ec);
  FUZZ_CHECK(!ec);
  return folder;
}

std::vector<std::string> TreeOf(const fs::path& root) {
  std::vector<std::string> paths;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    paths.push_back(it->path().lexically_relative(root).string());
  }
  FUZZ_CHECK(!ec);
  std::sort(paths.begin(), paths.end());
  return paths;
}

void WriteFile(const fs::path& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  file.close();
  FUZZ_CHECK(file.good());
}

std::u16string Utf16Units(const std::uint8_t* data, std::size_t size) {
  std::u16string units(size / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  return units;
}

}  // namespace fuzz
