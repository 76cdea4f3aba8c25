// The class object that CoGetClassObject hands out for a runtime class: an
// IClassFactory over the class's creation function.
#pragma once

#include <atomic>

#include "platform.h"
#include "runtime_classes.h"

namespace standin {

class RuntimeClassFactory final : public IClassFactory {
 public:
  explicit RuntimeClassFactory(RuntimeClassCreate create) : create_(create) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  ~RuntimeClassFactory() = default;

  const RuntimeClassCreate create_;
  std::atomic<ULONG> references_{0};
};

}  // namespace standin
