// KvtCreateFileW and KvtCreateFileA: CreateFileW over the platform's shared
// files, whose share modes hold between every file the system opens.

#include <cerrno>
#include <optional>

#include "create_directory.h"
#include "file_access_rights.h"
#include "kvt.h"
#include "path_text.h"
#include "platform/file_system.h"
#include "platform/shared_file.h"
#include "wide_text.h"

namespace kvt {
namespace {

constexpr uint32_t kFileWriteData = 0x0002;
constexpr uint32_t kFileAppendData = 0x0004;
constexpr uint32_t kFileAllAccess = 0x001F01FF;

using platform::FileDisposition;

std::optional<FileDisposition> DispositionOf(uint32_t disposition) {
  switch (disposition) {
    case KVT_CREATE_NEW: return FileDisposition::kCreateNew;
    case KVT_CREATE_ALWAYS: return FileDisposition::kCreateAlways;
    case KVT_OPEN_EXISTING: return FileDisposition::kOpenExisting;
    case KVT_OPEN_ALWAYS: return FileDisposition::kOpenAlways;
    case KVT_TRUNCATE_EXISTING: return FileDisposition::kTruncateExisting;
    default: return std::nullopt;
  }
}

unsigned AccessOf(uint32_t desired_access) {
  const uint32_t write_bits = kGenericWrite | kGenericAll | kFileWriteData | kFileAppendData;
  const bool writes = (desired_access & write_bits) != 0 || (desired_access & kFileAllAccess) == kFileAllAccess;
  return platform::kAccessRead | (writes ? platform::kAccessWrite : 0u);
}

unsigned ShareOf(uint32_t share_mode) {
  unsigned share = platform::kShareNone;
  if ((share_mode & KVT_FILE_SHARE_READ) != 0) share |= platform::kShareRead;
  if ((share_mode & KVT_FILE_SHARE_WRITE) != 0) share |= platform::kShareWrite;
  if ((share_mode & KVT_FILE_SHARE_DELETE) != 0) share |= platform::kShareDelete;
  return share;
}

KvtHANDLE HandleOf(platform::SharedFile& file) {
  return reinterpret_cast<KvtHANDLE>(file.ReleaseNativeHandle());
}

// ERROR_PATH_NOT_FOUND: the file's folder is missing, as opposed to the file.
bool FolderIsMissing(const std::string& path, const platform::Error& error) {
  if (error.code == ENOTDIR) return true;
  const std::string folder = FolderOf(path);
  return error.code == ENOENT && !folder.empty() && !platform::IsFolder(folder);
}

// Only an open that may create the file can succeed once its folder exists.
bool MayCreate(FileDisposition disposition) {
  return disposition == FileDisposition::kCreateNew || disposition == FileDisposition::kCreateAlways ||
         disposition == FileDisposition::kOpenAlways;
}

KvtHANDLE CreateFile(const std::string& path, uint32_t desired_access, uint32_t share_mode, uint32_t disposition,
                     bool create_folders, bool fits_folder_copy) {
  const auto how = DispositionOf(disposition);
  // CreateFileW opens no folder (without backup semantics, which are not
  // offered here).
  if (!how || path.empty() || platform::IsFolder(path)) return KVT_INVALID_HANDLE_VALUE;
  const unsigned access = AccessOf(desired_access);
  const unsigned share = ShareOf(share_mode);
  auto file = platform::SharedFile::Open(path, access, share, *how);
  if (!file) {
    if (!create_folders || !fits_folder_copy || !MayCreate(*how) || !FolderIsMissing(path, file.error())) {
      return KVT_INVALID_HANDLE_VALUE;
    }
    CreateFolderPath(FolderOf(path));
    file = platform::SharedFile::Open(path, access, share, *how);
    if (!file) return KVT_INVALID_HANDLE_VALUE;
  }
  if (*how != FileDisposition::kOpenExisting) AddUsersFullAccess(path);
  return HandleOf(*file);
}

}  // namespace
}  // namespace kvt

extern "C" {

KvtHANDLE KvtCreateFileW(const char16_t* path, uint32_t desiredAccess, uint32_t shareMode,
                         KvtSECURITY_ATTRIBUTES* /*securityAttributes*/, uint32_t creationDisposition,
                         uint32_t /*flagsAndAttributes*/, KvtHANDLE /*templateFile*/, bool createFolders) {
  if (path == nullptr) return KVT_INVALID_HANDLE_VALUE;
  return kvt::CreateFile(kvt::Utf8Arg(path), desiredAccess, shareMode, creationDisposition, createFolders,
                         kvt::FitsPathCopy(path));
}

KvtHANDLE KvtCreateFileA(const char* path, uint32_t desiredAccess, uint32_t shareMode,
                         KvtSECURITY_ATTRIBUTES* /*securityAttributes*/, uint32_t creationDisposition,
                         uint32_t /*flagsAndAttributes*/, KvtHANDLE /*templateFile*/) {
  if (path == nullptr) return KVT_INVALID_HANDLE_VALUE;
  return kvt::CreateFile(path, desiredAccess, shareMode, creationDisposition, false, false);
}

}  // extern "C"
