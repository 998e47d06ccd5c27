// IsFileWritable, KvtGetFileSize and GetFileTimeString.

#include <algorithm>
#include <cerrno>
#include <string>

#include "file_time_text.h"
#include "kvt.h"
#include "path_text.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/shared_file.h"
#include "platform/text.h"
#include "wide_text.h"

namespace kvt {
namespace {

// ERROR_FILE_NOT_FOUND, as opposed to a missing folder.
bool OnlyTheFileIsMissing(const std::string& path, const platform::Error& error) {
  if (error.code != ENOENT) return false;
  const std::string folder = FolderOf(path);
  return folder.empty() || platform::IsFolder(folder);
}

void CopyCut(const std::u16string& text, char16_t* buffer, std::uint32_t count) {
  const std::size_t n = std::min<std::size_t>(text.size(), count - 1);
  text.copy(buffer, n);
  buffer[n] = u'\0';
}

}  // namespace

std::u16string FileTimeText(const std::tm& local, bool date_only) {
  std::string text = std::to_string(local.tm_year + 1900) + "-" + std::to_string(local.tm_mon + 1) + "-" +
                     std::to_string(local.tm_mday);
  if (!date_only) {
    text += " " + std::to_string(local.tm_hour) + ":" + std::to_string(local.tm_min) + ":" +
            std::to_string(local.tm_sec);
  }
  return platform::Utf8ToUtf16(text);
}

}  // namespace kvt

extern "C" {

bool IsFileWritable(const char16_t* path) {
  if (path == nullptr || *path == u'\0') return false;
  const std::string file = kvt::Utf8Arg(path);
  const auto opened = platform::SharedFile::Open(file, platform::kAccessWrite, platform::kShareNone,
                                                 platform::FileDisposition::kOpenExisting);
  if (opened) return true;
  return kvt::OnlyTheFileIsMissing(file, opened.error());
}

bool KvtGetFileSize(const char16_t* path, uint64_t* size) {
  if (path == nullptr || size == nullptr || *path == u'\0') return false;
  const auto facts = platform::ReadFileFacts(kvt::Utf8Arg(path));
  if (!facts) return false;
  // The find data of a folder carries no size.
  *size = facts->kind == platform::PathKind::kFolder ? 0 : facts->size;
  return true;
}

bool GetFileTimeString(const char16_t* path, bool dateOnly, char16_t* buffer, uint32_t count) {
  if (path == nullptr || buffer == nullptr || count == 0 || *path == u'\0') return false;
  const auto facts = platform::ReadFileFacts(kvt::Utf8Arg(path));
  if (!facts) return false;
  // The creation time where the file system keeps one, else the last change.
  const std::int64_t created = facts->birth_time.value_or(facts->modification_time);
  kvt::CopyCut(kvt::FileTimeText(platform::LocalTimeAt(created), dateOnly), buffer, count);
  return true;
}

}  // extern "C"
