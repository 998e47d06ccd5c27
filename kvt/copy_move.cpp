// KvtCopyFile, KvtMoveFile and KvtMoveFileEx.

#include "file_access_rights.h"
#include "kvt.h"
#include "platform/file_system.h"
#include "platform/shared_file.h"
#include "wide_text.h"

namespace kvt {
namespace {

int32_t Move(const char16_t* source, const char16_t* target, uint32_t flags) {
  if (source == nullptr || target == nullptr) return 0;
  // Moves that wait for the next start of the system have no counterpart.
  if ((flags & KVT_MOVEFILE_DELAY_UNTIL_REBOOT) != 0) return 0;
  platform::MoveOptions options;
  options.replace_existing = (flags & KVT_MOVEFILE_REPLACE_EXISTING) != 0;
  options.allow_copy = (flags & KVT_MOVEFILE_COPY_ALLOWED) != 0;
  const std::string to = Utf8Arg(target);
  const auto moved = platform::MovePath(Utf8Arg(source), to, options);
  if (!moved) return 0;
  // Windows takes differing first characters for another drive, where the
  // item is a new one; here a move made by copying is one too.
  if (source[0] != target[0] || moved->copied) AddUsersFullAccess(to);
  return 1;
}

}  // namespace
}  // namespace kvt

extern "C" {

int32_t KvtCopyFile(const char16_t* source, const char16_t* target, int32_t failIfExists) {
  if (source == nullptr || target == nullptr) return 0;
  const std::string to = kvt::Utf8Arg(target);
  if (!platform::CopySharedFile(kvt::Utf8Arg(source), to, failIfExists == 0)) return 0;
  kvt::AddUsersFullAccess(to);
  return 1;
}

// MoveFileW moves files to another file system as well.
int32_t KvtMoveFile(const char16_t* source, const char16_t* target) {
  return kvt::Move(source, target, KVT_MOVEFILE_COPY_ALLOWED);
}

int32_t KvtMoveFileEx(const char16_t* source, const char16_t* target, uint32_t flags) {
  return kvt::Move(source, target, flags);
}

}  // extern "C"
