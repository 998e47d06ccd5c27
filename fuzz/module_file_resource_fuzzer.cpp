// A module file of any content whose resources are read from its bytes
// without loading it, as the version exports read a module of ours.

#include <cstdint>
#include <string>

#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/scratch.h"
#include "platform/module_file_resources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = (fuzz::ScratchRoot() / "libmodule.so").string();
  fuzz::WriteFile(path, data, size);
  for (const auto& [type, id] : {std::pair{u"#16", 1}, std::pair{u"skin", 2}, std::pair{u"#10", 7}}) {
    // A copy of bytes of the file: never more than the file holds.
    if (const auto resource = platform::ReadModuleFileResource(path, type, static_cast<std::uint16_t>(id))) {
      FUZZ_CHECK(resource->size() <= size);
    }
  }
  return 0;
}
