// KvtCreateObject: the library's information objects, and the objects of the
// outside "DeCompressor.dll".

#include "decompressor_binding.h"
#include "hresult.h"
#include "kvt.h"

extern "C" HRESULT KvtCreateObject(uint32_t type, void** out) {
  if (out == nullptr) return kvt::kEPointer;
  switch (type) {
    case 1:
    case 2:
    case 8:
    case 9:
    case 10: {
      const auto create = kvt::DecompressorBinding::Instance().CreateObject();
      return create != nullptr ? create(type, out) : kvt::kEFail;
    }
    // The MD5, CPU, GPU and file-version objects are not built yet.
    case 3:
    case 4:
    case 5:
    case 7:
      return kvt::kEFail;
    default:  // 0, 6 and anything above 10
      return kvt::kEFail;
  }
}
