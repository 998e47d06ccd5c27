#pragma once
// The outside component "DeCompressor.dll", bound from this library's own
// folder on first need; its entry points are looked up once and kept.

#include <cstdint>
#include <mutex>
#include <optional>

#include "kvt.h"
#include "platform/module_loader.h"

namespace kvt {

// "CreateObject"(type, out) and "UnZipFileToDirectory"(a, b, c); the three
// arguments are pointer-sized, as the component defines them.
using DecompressorCreateObjectFn = HRESULT (*)(uint32_t type, void** out);
using DecompressorUnZipFn = int32_t (*)(intptr_t a, intptr_t b, intptr_t c);

class DecompressorBinding {
 public:
  static DecompressorBinding& Instance();
  // Leaves the component loaded when the library is unloaded, as its objects
  // may still be in use.
  ~DecompressorBinding();

  // Null when the component or the entry point is missing; a later call
  // tries again.
  DecompressorCreateObjectFn CreateObject();
  DecompressorUnZipFn UnZipFileToDirectory();

  // KvtUninitialize(2): the entry points are forgotten and the component is
  // freed, or kept until it can unload when it reports objects still alive.
  void Release();

 private:
  void* EntryPoint(const char* name, void*& cached);

  // The component may be bound from several threads at once.
  std::mutex lock_;
  std::optional<platform::LoadedModule> module_;
  void* create_object_ = nullptr;
  void* unzip_ = nullptr;
};

}  // namespace kvt
