// A window layout of the skin, read into controls and laid out at the size
// the layout asks for.

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/support/fuzz_check.h"
#include "outside/duilib/layout_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view xml(reinterpret_cast<const char*>(data), size);
  std::string error;
  std::optional<DuiLib::TWindowLayout> layout = DuiLib::CDialogBuilder::Build(xml, nullptr, error);
  if (!layout) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  FUZZ_CHECK(layout->root != nullptr && layout->size.cx > 0 && layout->size.cy > 0);
  layout->root->SetPos({0, 0, layout->size.cx, layout->size.cy});
  return 0;
}
