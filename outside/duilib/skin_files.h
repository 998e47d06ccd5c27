#pragma once
// The files a window's skin is made of (layouts and images), by name. Names
// in an archive compare without regard to ASCII case, with "\" and "/" alike,
// as file names on Windows do; names in a folder are the folder's.

#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace DuiLib {

class SkinFiles {
 public:
  // Every file of a zip archive held in memory; empty when the bytes are not
  // a readable zip archive (why goes to `error`).
  static std::shared_ptr<SkinFiles> FromZip(std::span<const unsigned char> zip, std::string& error);

  // The files of a folder, read when first asked for.
  static std::shared_ptr<SkinFiles> FromFolder(std::string folder);

  void Add(std::string_view name, std::string bytes);
  std::optional<std::string_view> Read(std::string_view name) const;
  std::size_t Count() const { return files_.size(); }

 private:
  static std::string Key(std::string_view name);
  std::string folder_;  // empty: only what was added
  // Read from the folder on demand; only the UI thread reads skins.
  mutable std::map<std::string, std::string> files_;
};

}  // namespace DuiLib
