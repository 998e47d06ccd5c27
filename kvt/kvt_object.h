#pragma once
// The frame of the library's information objects: IUnknown with
// single-threaded reference counting, the module lock held for the object's
// life, and the class's virtual destructor after the interface's slots.

#include <cstdint>

#include "hresult.h"
#include "kvt.h"
#include "kvt_module.h"

namespace kvt {

template <class Interface, const GUID& kInterfaceId>
class KvtObject : public Interface {
 public:
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (out == nullptr) return kEPointer;
    if (!(iid == IID_IUnknown) && !(iid == kInterfaceId)) {
      *out = nullptr;
      return kENoInterface;
    }
    AddRef();
    *out = static_cast<Interface*>(this);
    return kSOk;
  }
  std::uint32_t AddRef() override { return ++references_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }
  virtual ~KvtObject() { UnlockModule(); }

 protected:
  KvtObject() { LockModule(); }

 private:
  std::uint32_t references_ = 0;
};

// KvtCreateObject's objects, each with its first reference taken; null when
// it cannot be made.
IKvtMD5* NewMd5Object();
IKvtCPU* NewCpuObject();
IKvtGPU* NewGpuObject();
IKvtFileVer* NewFileVersionObject();

// Hands out a new object with its caller's reference.
template <class Object>
Object* WithFirstReference(Object* object) {
  if (object != nullptr) object->AddRef();
  return object;
}

}  // namespace kvt
