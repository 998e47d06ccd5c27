// Resources of a loaded module: as memory, into a file, or as text.

#include <cerrno>
#include <optional>
#include <span>
#include <string>

#include "file_access_rights.h"
#include "kvt.h"
#include "path_text.h"
#include "platform/file_system.h"
#include "platform/module_resources.h"
#include "platform/shared_file.h"
#include "platform/text.h"
#include "resource_text.h"
#include "system_string.h"
#include "wide_text.h"

namespace kvt {
namespace {

using Bytes = std::span<const unsigned char>;

// MAKEINTRESOURCE: a "pointer" below 0x10000 is an integer type such as
// RT_RCDATA (10), which the module's table writes "#10".
std::u16string TypeText(const char16_t* type) {
  const auto value = reinterpret_cast<std::uintptr_t>(type);
  if (value < 0x10000) return u"#" + platform::Utf8ToUtf16(std::to_string(value));
  return std::u16string(type);
}

// FindResourceW and SizeofResource on the module as the caller names it:
// its image start, the loader's handle, or null for the program itself. An
// empty resource fails, as SizeofResource's 0 does.
std::optional<Bytes> FindResource(KvtModule module, uint32_t id, const char16_t* type) {
  const platform::ModuleImage image =
      module == nullptr ? platform::ProgramModule() : platform::ImageOfModule(module);
  if (image == nullptr) return std::nullopt;
  auto bytes = platform::FindModuleResource(image, TypeText(type), static_cast<std::uint16_t>(id & 0xFFFF));
  if (!bytes || bytes->empty()) return std::nullopt;
  return bytes;
}

// CREATE_ALWAYS without sharing; when the file's folder is missing it is
// made (PathCreateDirectory) and the open tried once more.
platform::Result<platform::SharedFile> CreateAlways(const std::string& path) {
  auto open = [&path] {
    return platform::SharedFile::Open(path, platform::kAccessWrite, platform::kShareNone,
                                      platform::FileDisposition::kCreateAlways);
  };
  auto file = open();
  if (file || file.error().code != ENOENT) return file;
  const std::string folder = FolderOf(path);
  if (folder.empty() || platform::IsFolder(folder)) return file;
  PathCreateDirectory(platform::Utf8ToUtf16(folder).c_str());
  return open();
}

}  // namespace
}  // namespace kvt

extern "C" {

uint32_t KvtGetResourceSize(KvtModule module, uint32_t id, const char16_t* type) {
  const auto bytes = kvt::FindResource(module, id, type);
  return bytes ? static_cast<uint32_t>(bytes->size()) : 0;
}

const void* KvtGetResource(KvtModule module, uint32_t id, const char16_t* type, uint32_t* size) {
  const auto bytes = kvt::FindResource(module, id, type);
  if (!bytes) return nullptr;
  if (size != nullptr) *size = static_cast<uint32_t>(bytes->size());
  return bytes->data();
}

// A write that fails after the file is open is reported, unlike on Windows.
bool ExtractResourceToFile(const char16_t* path, KvtModule module, uint32_t id, const char16_t* type) {
  if (path == nullptr) return false;
  const auto bytes = kvt::FindResource(module, id, type);
  if (!bytes) return false;
  const std::string target = kvt::Utf8Arg(path);
  auto file = kvt::CreateAlways(target);
  if (!file) return false;
  kvt::AddUsersFullAccess(target);
  const bool written = static_cast<bool>(file->WriteAt(0, bytes->data(), bytes->size()));
  return static_cast<bool>(file->Close()) && written;
}

bool ExtractResourceToXMLString(KvtBSTR* text, KvtModule module, uint32_t id, const char16_t* type) {
  if (text == nullptr) return false;
  const auto bytes = kvt::FindResource(module, id, type);
  if (!bytes) return false;
  char16_t* result = kvt::AllocSystemString(kvt::ResourceText(*bytes));
  if (result == nullptr) return false;
  *text = result;
  return true;
}

}  // extern "C"
