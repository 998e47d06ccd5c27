#include "updater/install/archive_component.h"

#include <cstdint>

#include "platform/module_loader.h"
#include "platform/text.h"

namespace {

using ExtractZipToDirEntry = std::int32_t (*)(const char16_t* archive, const char16_t* folder, std::int32_t reserved);

}  // namespace

ArchiveExtraction ExtractZipToDir(const std::string& componentPath, const std::string& archivePath,
                                  const std::string& folder) {
  ArchiveExtraction extraction;
  auto component = platform::LoadedModule::Load(componentPath);
  if (!component) {
    extraction.failure = component.error().Describe();
    return extraction;
  }
  void* entry = component->FindExport("ExtractZipToDir");
  if (entry == nullptr) {
    extraction.failure = componentPath + " has no ExtractZipToDir";
    return extraction;
  }
  const std::u16string archive = platform::AnsiToUtf16(archivePath);
  const std::u16string target = platform::AnsiToUtf16(folder);
  extraction.called = true;
  extraction.result = reinterpret_cast<ExtractZipToDirEntry>(entry)(archive.c_str(), target.c_str(), 0);
  return extraction;
}
