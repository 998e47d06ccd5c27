#pragma once
// Paths as the file helpers cut them: "/" where Windows has "\", and the
// 260-character private copies (MAX_PATH, terminator included).

#include <cstddef>
#include <string>
#include <string_view>

namespace kvt {

inline constexpr std::size_t kMaxPathChars = 260;

// A path fits a private copy when it and its terminator take at most 260
// UTF-16 characters. A longer one is refused, never cut short into another
// path.
inline bool FitsPathCopy(std::u16string_view path) { return path.size() < kMaxPathChars; }

// The folder part of a path: the text before its last "/" ("/" itself for a
// file in the root); empty when the path has no "/".
inline std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace kvt
