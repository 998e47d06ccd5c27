// A component for KvtRegDll: it has "DllRegisterServer", which appends
// "register" to the file named by VESKA_TEST_COMPONENT_MARK and succeeds,
// and no "DllUnregisterServer".

#include <cstdio>
#include <cstdlib>

#include "kvt.h"

extern "C" __attribute__((visibility("default"))) HRESULT DllRegisterServer() {
  if (const char* mark = std::getenv("VESKA_TEST_COMPONENT_MARK")) {
    if (std::FILE* file = std::fopen(mark, "a")) {
      std::fprintf(file, "register\n");
      std::fclose(file);
    }
  }
  return KVT_S_OK;
}
