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

// Removal that a folder unpacked without write permission cannot stop (as
// root it never could; other users need the permission back first).
void RemoveTree(const fs::path& root, std::error_code& ec) {
  std::error_code ignored;
  for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ignored), end;
       !ignored && it != end; it.increment(ignored)) {
    if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
  }
  fs::remove_all(root, ec);
}

}  // namespace

const fs::path& ScratchRoot() {
  // Never destroyed: a path destroyed at exit would be gone before the
  // removal registered here runs (handlers run in reverse order).
  static const fs::path* const root = [] {
    const auto* made = new fs::path(MakeRoot());
    std::atexit([] {
      std::error_code ignored;
      RemoveTree(ScratchRoot(), ignored);
    });
    return made;
  }();
  return *root;
}

fs::path FreshFolder(std::string_view name) {
  const fs::path folder = ScratchRoot() / name;
  std::error_code ec;
  RemoveTree(folder, ec);
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
