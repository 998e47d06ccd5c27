#pragma once
// VerQueryValueW over a VS_VERSIONINFO block: nodes of length, value length,
// type and key, each aligned to 4 bytes, children after the value.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kvt {

// The value of the node `sub_block` names: "\" the root's fixed file
// information, "\VarFileInfo\Translation", "\StringFileInfo\040904B0\CompanyName"
// ... (keys compared without regard to ASCII case). Text values come back
// without their terminator; nothing when no such node (or no value) is there.
std::optional<std::span<const std::uint8_t>> QueryVersionValue(std::span<const std::uint8_t> block,
                                                                std::u16string_view sub_block);
std::optional<std::u16string> QueryVersionText(std::span<const std::uint8_t> block, std::u16string_view sub_block);

}  // namespace kvt
