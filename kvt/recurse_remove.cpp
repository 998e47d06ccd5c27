// RecurseRemoveDirectory: the walk stays inside the tree it was given. A
// symbolic link is removed as a link, never followed; a folder on which
// another file system is mounted is neither entered nor removed.

#include <string>

#include "kvt.h"
#include "path_text.h"
#include "platform/folder_handle.h"
#include "platform/text.h"
#include "wide_text.h"

namespace kvt {
namespace {

enum class RemoveMode { kFilesAndFolders = 0, kFilesOnly = 1, kFoldersOnly = 2 };

bool RemovesFiles(RemoveMode mode) { return mode != RemoveMode::kFoldersOnly; }
bool RemovesFolders(RemoveMode mode) { return mode != RemoveMode::kFilesOnly; }

// Every step must succeed: one failure is not undone by a later success.
// `path_chars` is the folder path's length, which bounds the depth as the
// 260-character paths of Windows do.
bool RemoveContents(const platform::FolderHandle& folder, std::size_t path_chars, RemoveMode mode) {
  const auto entries = folder.Entries();
  if (!entries) return false;
  bool all_done = true;
  for (const auto& entry : *entries) {
    if (entry.kind != platform::EntryKind::kFolder) {
      if (RemovesFiles(mode)) all_done = folder.RemoveEntry(entry.name).ok() && all_done;
      continue;
    }
    const std::size_t child_chars = path_chars + 1 + platform::Utf8ToUtf16(entry.name).size();
    if (child_chars > kMaxPathChars) {
      all_done = false;
      continue;
    }
    const auto child = folder.OpenChild(entry.name);
    if (!child) {
      all_done = false;
      continue;
    }
    all_done = RemoveContents(*child, child_chars, mode) && all_done;
    if (RemovesFolders(mode)) all_done = folder.RemoveChildFolder(entry.name).ok() && all_done;
  }
  return all_done;
}

}  // namespace
}  // namespace kvt

extern "C" bool RecurseRemoveDirectory(const char16_t* path, int32_t mode) {
  if (path == nullptr || mode < 0 || mode > 2) return false;
  std::u16string_view text(path);
  if (text.size() < 2 || text.size() > kvt::kMaxPathChars) return false;
  // A backslash is a character of file names here, never a separator.
  if (text.back() == u'/') text.remove_suffix(1);
  const std::string folder_path = platform::Utf16ToUtf8(text);
  const auto folder = platform::FolderHandle::Open(folder_path);
  // Never the whole file system.
  if (!folder || folder->IsFileSystemRoot()) return false;
  const auto how = static_cast<kvt::RemoveMode>(mode);
  bool all_done = kvt::RemoveContents(*folder, text.size(), how);
  if (kvt::RemovesFolders(how)) all_done = platform::RemoveEmptyFolder(folder_path).ok() && all_done;
  return all_done;
}
