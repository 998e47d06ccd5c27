// Stands in for the installer component: its self-registration entry appends
// a line to the file named by VESKA_TEST_REGISTER_MARK and returns the HRESULT
// given in VESKA_TEST_REGISTER_RESULT (0 when unset).

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

std::int32_t Record(const char* what) {
  if (const char* mark = std::getenv("VESKA_TEST_REGISTER_MARK")) {
    if (std::FILE* file = std::fopen(mark, "a")) {
      std::fprintf(file, "%s\n", what);
      std::fclose(file);
    }
  }
  const char* result = std::getenv("VESKA_TEST_REGISTER_RESULT");
  return result ? static_cast<std::int32_t>(std::strtol(result, nullptr, 0)) : 0;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) std::int32_t DllRegisterServer() { return Record("register"); }
extern "C" __attribute__((visibility("default"))) std::int32_t DllUnregisterServer() { return Record("unregister"); }
