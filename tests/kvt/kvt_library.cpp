#include "kvt_library.h"

namespace kvt_test {
namespace {

namespace fs = std::filesystem;

platform::LoadedModule LoadCopy(const veska_test::TempDir& dir,
                                const std::vector<Companion>& companions) {
  for (const auto& companion : companions) fs::copy_file(companion.source, dir / companion.name);
  const fs::path library = dir / "libkvt.so";
  fs::copy_file(VESKA_KVT_LIBRARY, library);
  auto module = platform::LoadedModule::Load(library.string());
  if (!module) throw std::runtime_error(module.error().Describe());
  return std::move(*module);
}

}  // namespace

KvtLibraryCopy::KvtLibraryCopy(const std::vector<Companion>& companions)
    : module_(LoadCopy(dir_, companions)) {}

}  // namespace kvt_test
