// Object creation by class id: the runtime's own classes first, then the
// in-process servers that the registry names. Only a thread that has entered
// an apartment may create objects. `*out` is none after every failure.
#include <string>

#include "apartment.h"
#include "export_guard.h"
#include "inproc_servers.h"
#include "registered_server.h"
#include "runtime_class_factory.h"
#include "runtime_classes.h"

namespace {

using standin::RuntimeClass;
using standin::RuntimeClassState;

// Answers for everything but the in-process server path; `*row` or `*path`
// is set when creation can go ahead.
HRESULT LocateClass(REFCLSID classId, DWORD context, const RuntimeClass** row, std::optional<std::string>* path) {
  if (!standin::ThreadHasApartment()) {
    return CO_E_NOTINITIALIZED;
  }
  if ((context & CLSCTX_INPROC_SERVER) == 0) {
    return REGDB_E_CLASSNOTREG;
  }
  switch (standin::FindRuntimeClass(classId, row)) {
    case RuntimeClassState::Available:
      return S_OK;
    case RuntimeClassState::Hidden:
      return REGDB_E_CLASSNOTREG;
    case RuntimeClassState::Absent:
      break;
  }
  *path = standin::FindRegisteredServer(classId);
  return path->has_value() ? S_OK : REGDB_E_CLASSNOTREG;
}

HRESULT CreateObject(REFCLSID classId, IUnknown* outer, DWORD context, REFIID iid, void** out) {
  const RuntimeClass* row = nullptr;
  std::optional<std::string> path;
  const HRESULT result = LocateClass(classId, context, &row, &path);
  if (FAILED(result)) {
    return result;
  }
  if (row != nullptr) {
    return row->create(outer, iid, out);
  }
  return standin::InprocServers::Instance().CreateInstance(*path, classId, outer, iid, out);
}

HRESULT FindClassObject(REFCLSID classId, DWORD context, REFIID iid, void** out) {
  const RuntimeClass* row = nullptr;
  std::optional<std::string> path;
  HRESULT result = LocateClass(classId, context, &row, &path);
  if (FAILED(result)) {
    return result;
  }
  if (row != nullptr) {
    IClassFactory* factory = new standin::RuntimeClassFactory(row->create);
    factory->AddRef();
    result = factory->QueryInterface(iid, out);
    factory->Release();
    return result;
  }
  return standin::InprocServers::Instance().GetClassObject(*path, classId, iid, out);
}

}  // namespace

extern "C" {

HRESULT WINAPI CoCreateInstance(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = nullptr;
  const HRESULT result =
      standin::Guarded<HRESULT>(E_OUTOFMEMORY, [&] { return CreateObject(classId, outer, context, iid, out); });
  if (FAILED(result)) {
    *out = nullptr;
  }
  return result;
}

HRESULT WINAPI CoGetClassObject(REFCLSID classId, DWORD context, LPVOID, REFIID iid, LPVOID* out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = nullptr;
  const HRESULT result =
      standin::Guarded<HRESULT>(E_OUTOFMEMORY, [&] { return FindClassObject(classId, context, iid, out); });
  if (FAILED(result)) {
    *out = nullptr;
  }
  return result;
}

void WINAPI CoFreeUnusedLibraries() {
  standin::GuardedVoid([] { standin::InprocServers::Instance().FreeUnused(); });
}

}  // extern "C"
