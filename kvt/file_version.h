#pragma once
// ReadFileVersion: a file's version resource, shared by the version exports
// and the file-version object.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kvt.h"

namespace kvt {

// The whole VS_VERSIONINFO block of a PE image, or of one of our own
// modules (its module resources, read from the file without loading it).
std::optional<std::vector<std::uint8_t>> ReadVersionBlock(const std::string& path);

// The version block of one of our own modules, from the resource table
// linked into it; nothing for any other file.
std::optional<std::vector<std::uint8_t>> ReadOwnModuleVersionResource(const std::string& path);

// The fixed file information's version; 0.0.0.0 when the block's fixed
// information is not the 52 bytes it should be. Nothing when the file has
// no version block or the block no fixed information.
std::optional<FileVersion> ReadFileVersion(const std::string& path);

}  // namespace kvt
