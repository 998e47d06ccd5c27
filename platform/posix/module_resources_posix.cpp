#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/module_resources.h"
#include "platform/text.h"

namespace platform {
namespace {

struct LoadedObject {
  std::uintptr_t start = 0;
  std::string name;  // empty for the program
  bool is_program = false;
};

// Where the first loaded segment's page begins: what dladdr reports as an
// object's base, so that the two ways of naming a module agree.
std::uintptr_t ImageStart(const dl_phdr_info& info) {
  std::uintptr_t lowest = UINTPTR_MAX;
  for (int i = 0; i < info.dlpi_phnum; ++i) {
    if (info.dlpi_phdr[i].p_type == PT_LOAD && info.dlpi_phdr[i].p_vaddr < lowest) {
      lowest = info.dlpi_phdr[i].p_vaddr;
    }
  }
  if (lowest == UINTPTR_MAX) return 0;
  const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  return (info.dlpi_addr + lowest) & ~(page - 1);
}

struct Search {
  std::uintptr_t wanted = 0;  // 0: the program, which the loader lists first
  std::optional<LoadedObject> found;
  bool first = true;
};

int VisitObject(dl_phdr_info* info, size_t, void* data) {
  auto& search = *static_cast<Search*>(data);
  const bool is_program = search.first;
  search.first = false;
  const std::uintptr_t start = ImageStart(*info);
  if ((search.wanted == 0 && is_program) || (search.wanted != 0 && start == search.wanted)) {
    search.found = LoadedObject{start, info->dlpi_name != nullptr ? info->dlpi_name : "", is_program};
    return 1;
  }
  return 0;
}

int CollectObject(dl_phdr_info* info, size_t, void* data) {
  auto& objects = *static_cast<std::vector<LoadedObject>*>(data);
  objects.push_back({ImageStart(*info), info->dlpi_name != nullptr ? info->dlpi_name : "", objects.empty()});
  return 0;
}

std::vector<LoadedObject> LoadedObjects() {
  std::vector<LoadedObject> objects;
  dl_iterate_phdr(&CollectObject, &objects);
  return objects;
}

// The loader's handle of a loaded object, with a reference the caller drops.
void* HandleOf(const LoadedObject& object) {
  return object.is_program ? dlopen(nullptr, RTLD_LAZY) : dlopen(object.name.c_str(), RTLD_LAZY | RTLD_NOLOAD);
}

std::optional<LoadedObject> FindLoadedObject(std::uintptr_t start) {
  Search search;
  search.wanted = start;
  dl_iterate_phdr(&VisitObject, &search);
  return search.found;
}

// The object's own table: a symbol of that name found through the object's
// handle may belong to a library it depends on, which is not this module.
const ModuleResourceTable* TableOf(const LoadedObject& object) {
  void* handle = HandleOf(object);
  if (handle == nullptr) return nullptr;
  void* symbol = dlsym(handle, kModuleResourceTableSymbol);
  dlclose(handle);
  Dl_info where{};
  if (symbol == nullptr || dladdr(symbol, &where) == 0 ||
      reinterpret_cast<std::uintptr_t>(where.dli_fbase) != object.start) {
    return nullptr;
  }
  return static_cast<const ModuleResourceTable*>(symbol);
}

}  // namespace

ModuleImage ProgramModule() {
  const auto program = FindLoadedObject(0);
  return program ? reinterpret_cast<ModuleImage>(program->start) : nullptr;
}

ModuleImage ModuleContaining(const void* address) {
  Dl_info where{};
  if (address == nullptr || dladdr(address, &where) == 0) return nullptr;
  return where.dli_fbase;
}

ModuleImage ImageOfModule(const void* module) {
  if (module == nullptr) return nullptr;
  const auto objects = LoadedObjects();
  for (const auto& object : objects) {
    if (object.start == reinterpret_cast<std::uintptr_t>(module)) return module;
  }
  // A handle is compared, never followed: any other value is simply no module.
  for (const auto& object : objects) {
    if (object.start == 0 || (!object.is_program && object.name.empty())) continue;
    void* handle = HandleOf(object);
    if (handle == nullptr) continue;
    dlclose(handle);
    if (handle == module) return reinterpret_cast<ModuleImage>(object.start);
  }
  return nullptr;
}

std::optional<std::span<const unsigned char>> FindModuleResource(ModuleImage module, std::u16string_view type,
                                                                 std::uint16_t id) {
  if (module == nullptr) return std::nullopt;
  const auto object = FindLoadedObject(reinterpret_cast<std::uintptr_t>(module));
  if (!object) return std::nullopt;
  const ModuleResourceTable* table = TableOf(*object);
  if (table == nullptr) return std::nullopt;
  const std::string wanted_type = Utf16ToUtf8(type);
  for (std::uint32_t i = 0; i < table->count; ++i) {
    const ModuleResourceEntry& entry = table->entries[i];
    if (entry.id == id && EqualsIgnoreAsciiCase(entry.type, wanted_type)) {
      return std::span<const unsigned char>(entry.begin, entry.end);
    }
  }
  return std::nullopt;
}

}  // namespace platform
