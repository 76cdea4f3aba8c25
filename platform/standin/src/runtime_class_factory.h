// The class object that CoGetClassObject hands out for a runtime class: an
// IClassFactory over the class's creation function.
#pragma once

#include "com_object.h"
#include "platform.h"
#include "runtime_classes.h"

namespace standin {

class RuntimeClassFactory final : public ComObject<RuntimeClassFactory, IClassFactory, IID_IClassFactory> {
 public:
  explicit RuntimeClassFactory(RuntimeClassCreate create) : create_(create) {}

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  friend ComObject;
  ~RuntimeClassFactory() = default;

  const RuntimeClassCreate create_;
};

}  // namespace standin
