// A COM-style component for the module-loading tests: a class factory for
// one class whose objects report a number, and "DllCanUnloadNow" answering
// S_FALSE while any object lives (left out when built with
// KVT_TEST_WITHOUT_CAN_UNLOAD). Loading and unloading append "load" and
// "unload" to the file named by VESKA_TEST_COMPONENT_MARK.

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "test_component.h"

namespace {

std::atomic<long> live_objects{0};

void Mark(const char* what) {
  if (const char* mark = std::getenv("VESKA_TEST_COMPONENT_MARK")) {
    if (std::FILE* file = std::fopen(mark, "a")) {
      std::fprintf(file, "%s\n", what);
      std::fclose(file);
    }
  }
}

__attribute__((constructor)) void OnLoad() { Mark("load"); }
__attribute__((destructor)) void OnUnload() { Mark("unload"); }

template <class Interface>
class Counted : public Interface {
 public:
  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (out == nullptr) return KVT_E_POINTER;
    if (!(iid == IID_IUnknown) && !(iid == Wanted())) {
      *out = nullptr;
      return KVT_E_NOINTERFACE;
    }
    this->AddRef();
    *out = static_cast<Interface*>(this);
    return KVT_S_OK;
  }
  uint32_t AddRef() override { return ++references_; }
  uint32_t Release() override {
    const uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }
  virtual ~Counted() = default;

 protected:
  virtual const GUID& Wanted() const = 0;

 private:
  std::atomic<uint32_t> references_{0};
};

class TestValue final : public Counted<ITestValue> {
 public:
  TestValue() { live_objects.fetch_add(1); }
  ~TestValue() override { live_objects.fetch_sub(1); }
  int32_t Value() override { return kTestValue; }

 protected:
  const GUID& Wanted() const override { return IID_ITestValue; }
};

class Factory final : public Counted<IClassFactory> {
 public:
  HRESULT CreateInstance(IUnknown* outer, const GUID& iid, void** out) override {
    if (outer != nullptr) return KVT_E_FAIL;
    auto* object = new TestValue();
    object->AddRef();
    const HRESULT result = object->QueryInterface(iid, out);
    object->Release();
    return result;
  }
  HRESULT LockServer(int32_t) override { return KVT_S_OK; }

 protected:
  const GUID& Wanted() const override { return IID_IClassFactory; }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(const GUID* clsid,
                                                                             const GUID* iid,
                                                                             void** out) {
  if (!(*clsid == CLSID_TestValue)) return KVT_CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new Factory();
  factory->AddRef();
  const HRESULT result = factory->QueryInterface(*iid, out);
  factory->Release();
  return result;
}

#ifndef KVT_TEST_WITHOUT_CAN_UNLOAD
extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
  return live_objects.load() == 0 ? KVT_S_OK : KVT_S_FALSE;
}
#endif
