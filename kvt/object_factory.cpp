// KvtCreateObject: the library's information objects, and the objects of the
// outside "DeCompressor.dll".

#include "decompressor_binding.h"
#include "hresult.h"
#include "kvt.h"
#include "kvt_object.h"

namespace {

// Only a success stores a pointer.
template <class Interface>
HRESULT HandOut(Interface* object, void** out) {
  if (object == nullptr) return kvt::kEOutOfMemory;
  *out = object;
  return kvt::kSOk;
}

}  // namespace

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
    case 3:
      return HandOut(kvt::NewMd5Object(), out);
    case 4:
      return HandOut(kvt::NewCpuObject(), out);
    case 5:
      return HandOut(kvt::NewGpuObject(), out);
    case 7:
      return HandOut(kvt::NewFileVersionObject(), out);
    default:  // 0, 6 and anything above 10
      return kvt::kEFail;
  }
}
