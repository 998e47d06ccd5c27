#pragma once
// The version resource of a PE image (RT_VERSION, VS_VERSION_INFO), found
// through its resource section as the loader would map it. A small careful
// reader: every offset and count is checked against the file.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/shared_file.h"

namespace kvt {

// The bytes of the image's VS_VERSIONINFO block (resource type 16, id 1,
// its first language); nothing when the image has none or is damaged.
std::optional<std::vector<std::uint8_t>> ReadPeVersionResource(const platform::SharedFile& file);

}  // namespace kvt
