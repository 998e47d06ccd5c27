// A file of any content asked for its version, as the version exports and
// the file-version object ask: a PE image's version resource (or one of our
// own modules' resource table), and the values looked up in the block. The
// input is also read as a version block by itself, so that the block reader
// sees more than the resources that pass the image reader.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "file_version.h"
#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/scratch.h"
#include "version_block.h"

namespace {

constexpr const char16_t* kQueries[] = {
    u"\\",
    u"\\VarFileInfo\\Translation",
    u"\\StringFileInfo\\040904B0\\CompanyName",
    u"\\StringFileInfo\\080404B0\\FileDescription",
    u"\\StringFileInfo\\040904b0\\ProductVersion",
    u"\\StringFileInfo",
    u"",
};

void Query(std::span<const std::uint8_t> block) {
  for (const char16_t* query : kQueries) {
    if (const auto value = kvt::QueryVersionValue(block, query)) {
      // A view into the block, never past it.
      FUZZ_CHECK(value->empty() || (value->data() >= block.data() &&
                                    value->data() + value->size() <= block.data() + block.size()));
    }
    if (const auto text = kvt::QueryVersionText(block, query)) FUZZ_CHECK(text->size() <= block.size() / 2);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = (fuzz::ScratchRoot() / "module.dll").string();
  fuzz::WriteFile(path, data, size);

  const std::optional<std::vector<std::uint8_t>> block = kvt::ReadVersionBlock(path);
  const auto version = kvt::ReadFileVersion(path);
  FUZZ_CHECK(block.has_value() || !version.has_value());
  if (block) Query(*block);
  Query({data, size});
  return 0;
}
