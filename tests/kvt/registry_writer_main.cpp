// Test program: loads libkvt.so and writes, then reads back, values through
// its registry exports.
//   registry_writer <libkvt.so> <writer number> <count>
// Writes "Stress\<writer>" values v0..v<count-1> and, each time, the shared
// value "Stress\Shared" "last". Exit 0 when every value read back as written,
// 1 on the first mismatch, 2 on a usage or load error.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "kvt.h"
#include "platform/module_loader.h"
#include "platform/text.h"

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  auto library = platform::LoadedModule::Load(argv[1]);
  if (!library) return 2;
  auto* set = reinterpret_cast<decltype(KvtRegSetDWORD)*>(library->FindExport("KvtRegSetDWORD"));
  auto* get = reinterpret_cast<decltype(KvtRegGetDWORD)*>(library->FindExport("KvtRegGetDWORD"));
  if (set == nullptr || get == nullptr) return 2;
  const int writer = std::atoi(argv[2]);
  const int count = std::atoi(argv[3]);

  const std::u16string key = u"Stress\\" + platform::Utf8ToUtf16(std::to_string(writer));
  for (int i = 0; i < count; ++i) {
    const std::u16string name = u"v" + platform::Utf8ToUtf16(std::to_string(i));
    const auto value = static_cast<uint32_t>(writer * 100000 + i);
    if (!set(KVT_HKEY_CURRENT_USER, key.c_str(), name.c_str(), value) ||
        !set(KVT_HKEY_CURRENT_USER, u"Stress\\Shared", u"last", value)) {
      std::fprintf(stderr, "write %d failed\n", i);
      return 1;
    }
    if (get(KVT_HKEY_CURRENT_USER, key.c_str(), name.c_str(), 0xFFFFFFFF) != value) {
      std::fprintf(stderr, "read-back %d differs\n", i);
      return 1;
    }
  }
  return 0;
}
