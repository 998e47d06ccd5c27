#include "updater/cmdline/update_folders.h"

namespace {

// `folder` (with its trailing "/") without its last component: "/A/B/" gives "/A/".
std::string ParentFolder(std::string_view folder) {
  if (folder.empty()) return {};
  const std::string_view withoutSlash = folder.substr(0, folder.size() - 1);
  const auto slash = withoutSlash.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(withoutSlash.substr(0, slash + 1));
}

}  // namespace

UpdateFolders UpdateFoldersOf(std::string_view programPath) {
  UpdateFolders folders;
  const auto slash = programPath.rfind('/');
  if (slash != std::string_view::npos) folders.programFolder = programPath.substr(0, slash + 1);
  folders.applicationFolder = ParentFolder(folders.programFolder);
  folders.installRoot = ParentFolder(folders.applicationFolder);
  return folders;
}
