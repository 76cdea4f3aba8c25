// LoadedModule: a module library loaded through the stand-in loader for the
// length of a test, with its COM exports looked up.
#pragma once

#include <gtest/gtest.h>

#include "platform.h"

// The export `name` of `module` as a function of type `Function`, or none.
template <class Function>
Function ModuleExport(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

class LoadedModule {
 public:
  explicit LoadedModule(const char* path) : Handle(LoadLibraryA(path)) {}
  ~LoadedModule() {
    if (Handle != nullptr) {
      FreeLibrary(Handle);
    }
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  HMODULE handle() const { return Handle; }

  template <class Function>
  Function Export(const char* name) const {
    return ModuleExport<Function>(Handle, name);
  }

  HRESULT GetClassObject(REFCLSID classId, REFIID iid, void** out) const {
    return Export<HRESULT (*)(REFCLSID, REFIID, void**)>("DllGetClassObject")(classId, iid, out);
  }
  HRESULT CanUnloadNow() const { return Export<HRESULT (*)()>("DllCanUnloadNow")(); }

 private:
  HMODULE Handle;
};
