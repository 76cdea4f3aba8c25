#include "runtime_class_factory.h"

namespace standin {

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
