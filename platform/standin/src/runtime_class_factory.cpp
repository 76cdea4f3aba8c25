#include "runtime_class_factory.h"

namespace standin {

HRESULT RuntimeClassFactory::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  if (iid != IID_IUnknown && iid != IID_IClassFactory) {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  *out = static_cast<IClassFactory*>(this);
  AddRef();
  return S_OK;
}

ULONG RuntimeClassFactory::AddRef() { return ++references_; }

ULONG RuntimeClassFactory::Release() {
  const ULONG left = --references_;
  if (left == 0) {
    delete this;
  }
  return left;
}

HRESULT RuntimeClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = nullptr;
  const HRESULT result = create_(outer, iid, out);
  if (FAILED(result)) {
    *out = nullptr;
  }
  return result;
}

}  // namespace standin
