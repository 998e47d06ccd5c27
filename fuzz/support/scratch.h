#pragma once
// The scratch folder of one fuzzing process, and the folders the system
// finds through the environment pointed into it, so that logs, pipes and
// registry stores of the code under test stay there.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// <TMPDIR>/veska-fuzz-XXXXXX, made on first use, removed at a normal exit.
// The data, runtime and machine folders of the process point inside it.
const std::filesystem::path& ScratchRoot();

// A fresh empty folder of that name under the root (emptied when it exists).
std::filesystem::path FreshFolder(std::string_view name);

// Every path under `root`, relative to it, sorted; links are listed, never
// followed.
std::vector<std::string> TreeOf(const std::filesystem::path& root);

void WriteFile(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size);

// Little-endian pairs of bytes as UTF-16 units; an odd last byte is dropped.
std::u16string Utf16Units(const std::uint8_t* data, std::size_t size);

}  // namespace fuzz
