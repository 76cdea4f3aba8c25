#include "module/template_class_factory.h"

LONG volatile ServerLockCount = 0;

HRESULT STDMETHODCALLTYPE TemplateClassFactory::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TemplateClassFactory::AddRef() {
  return static_cast<ULONG>(InterlockedIncrement(&RefCount));
}

ULONG STDMETHODCALLTYPE TemplateClassFactory::Release() {
  const LONG count = InterlockedDecrement(&RefCount);
  if (count == 0) {
    delete this;
  }
  return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE TemplateClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  // An aggregating caller must take the inner unknown.
  if (outer != nullptr && !IsEqualIID(iid, IID_IUnknown)) {
    return E_NOINTERFACE;
  }

  HRESULT created = S_OK;
  UnknownBase* object = Entry->Create(outer, &created);
  if (object == nullptr) {
    return FAILED(created) ? created : E_OUTOFMEMORY;
  }
  if (FAILED(created)) {
    object->DestroyUnreferenced();
    return created;
  }

  // The query adds the caller's reference; our own then goes, and takes the
  // object with it when the query failed.
  object->InnerAddRef();
  const HRESULT queried = object->InnerQueryInterface(iid, out);
  object->InnerRelease();
  return queried;
}

HRESULT STDMETHODCALLTYPE TemplateClassFactory::LockServer(BOOL lock) {
  if (lock) {
    InterlockedIncrement(&ServerLockCount);
  } else {
    InterlockedDecrement(&ServerLockCount);
  }
  return S_OK;
}
