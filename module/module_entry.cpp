// ModuleEntry and the COM exports DllGetClassObject and DllCanUnloadNow.
#include "module/module_entry.h"

#include "module/atomic_read.h"
#include "module/class_template.h"
#include "module/template_class_factory.h"
#include "module/tracked_object.h"

HINSTANCE ModuleInstance = nullptr;

namespace {

void RunInitRoutines(BOOL loading) {
  for (LONG row = 0; row < ClassTemplateCount; ++row) {
    const ClassTemplateEntry& entry = ClassTemplateTable[row];
    if (entry.InitRoutine != nullptr) {
      entry.InitRoutine(loading, entry.ClassId);
    }
  }
}

const ClassTemplateEntry* FindTemplate(REFCLSID classId) {
  for (LONG row = 0; row < ClassTemplateCount; ++row) {
    if (IsEqualCLSID(*ClassTemplateTable[row].ClassId, classId)) {
      return &ClassTemplateTable[row];
    }
  }
  return nullptr;
}

}  // namespace

BOOL ModuleEntry(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      DisableThreadLibraryCalls(instance);
      ModuleInstance = instance;
      RunInitRoutines(TRUE);
      break;
    case DLL_PROCESS_DETACH:
      RunInitRoutines(FALSE);
      break;
    default:
      break;
  }
  return TRUE;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  return ModuleEntry(instance, reason, reserved);
}

STDAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) {
    return E_NOINTERFACE;
  }
  const ClassTemplateEntry* entry = FindTemplate(classId);
  if (entry == nullptr) {
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  TemplateClassFactory* factory = new (std::nothrow) TemplateClassFactory(entry);
  if (factory == nullptr) {
    *out = nullptr;
    return E_OUTOFMEMORY;
  }
  *out = static_cast<IClassFactory*>(factory);
  factory->AddRef();
  return S_OK;
}

STDAPI DllCanUnloadNow() {
  // A negative lock balance counts as no lock.
  if (AtomicRead(&ServerLockCount) > 0 || AtomicRead(&LiveObjectCount) != 0) {
    return S_FALSE;
  }
  return S_OK;
}
