// KvtCreateDirectoryW/A, PathCreateDirectory and PathCreateDirectoryFromFile.

#include "create_directory.h"

#include <cerrno>

#include "file_access_rights.h"
#include "kvt.h"
#include "path_text.h"
#include "platform/file_system.h"
#include "wide_text.h"

namespace kvt {
namespace {

// PathIsDirectoryW's answer for a folder.
constexpr int32_t kFileAttributeDirectory = 0x10;

void CreateIfMissing(const std::string& folder) {
  if (folder.empty() || platform::IsFolder(folder)) return;
  if (platform::CreateFolder(folder)) AddUsersFullAccess(folder);
}

}  // namespace

// Windows skips the drive before the first "\"; here only the root "/" is
// skipped, so a relative path is created from its first folder on.
void CreateFolderPath(const std::string& path) {
  if (path.empty() || platform::IsFolder(path)) return;
  for (auto slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    CreateIfMissing(path.substr(0, slash));
  }
  CreateIfMissing(path);
}

}  // namespace kvt

extern "C" {

int32_t KvtCreateDirectoryW(const char16_t* path, bool createParents) {
  if (path == nullptr) return 0;
  const std::string folder = kvt::Utf8Arg(path);
  const auto created = platform::CreateFolder(folder);
  if (!created) {
    if (!createParents || created.error().code != ENOENT) return 0;
    PathCreateDirectory(path);
    return platform::IsFolder(folder) ? 1 : 0;
  }
  kvt::AddUsersFullAccess(folder);
  return 1;
}

int32_t KvtCreateDirectoryA(const char* path) {
  if (path == nullptr) return 0;
  if (!platform::CreateFolder(path)) return 0;
  kvt::AddUsersFullAccess(path);
  return 1;
}

void PathCreateDirectory(const char16_t* path) {
  if (path == nullptr || !kvt::FitsPathCopy(path)) return;
  kvt::CreateFolderPath(kvt::Utf8Arg(path));
}

int32_t PathCreateDirectoryFromFile(const char16_t* filePath) {
  if (filePath == nullptr || !kvt::FitsPathCopy(filePath)) return 0;
  const std::string folder = kvt::FolderOf(kvt::Utf8Arg(filePath));
  if (folder.empty()) return 0;
  if (platform::IsFolder(folder)) return kvt::kFileAttributeDirectory;
  kvt::CreateFolderPath(folder);
  return 0;
}

}  // extern "C"
