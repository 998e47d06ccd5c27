#pragma once
// A private copy of libkvt.so, loaded as the client loads it: each copy is a
// library instance of its own (its own caches and flags), in a scratch folder
// that may also hold the components it looks for beside itself.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/module_loader.h"
#include "support/temp_dir.h"

namespace kvt_test {

struct Companion {
  std::filesystem::path source;
  std::string name;  // file name beside the library
};

class KvtLibraryCopy {
 public:
  explicit KvtLibraryCopy(const std::vector<Companion>& companions = {});

  template <class Function>
  Function* Get(const char* name) const {
    void* address = module_.FindExport(name);
    if (address == nullptr) throw std::runtime_error(std::string("no export ") + name);
    return reinterpret_cast<Function*>(address);
  }
  const std::filesystem::path& folder() const { return dir_.path(); }

 private:
  veska_test::TempDir dir_;
  platform::LoadedModule module_;
};

}  // namespace kvt_test
