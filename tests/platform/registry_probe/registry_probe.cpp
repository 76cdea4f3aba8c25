// A module with registration entry points for the regsvr tests.
// DllRegisterServer sets RegistryProbe's default value to the module's path
// and answers REGISTRY_PROBE_RESULT (a number) when that is set, else the
// registry's code. DllUnregisterServer deletes the key and answers the
// registry's code. Built a second time without DllUnregisterServer.
#include <climits>
#include <cstdlib>

#include "platform.h"

#define PROBE_EXPORT __attribute__((visibility("default")))

namespace {

HINSTANCE Instance = nullptr;

HRESULT FromRegistry(LSTATUS status) { return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status); }

}  // namespace

extern "C" {

PROBE_EXPORT BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    Instance = instance;
  }
  return TRUE;
}

PROBE_EXPORT HRESULT WINAPI DllRegisterServer() {
  char path[PATH_MAX];
  if (GetModuleFileNameA(Instance, path, sizeof(path)) == 0) {
    return E_FAIL;
  }
  const HRESULT result = FromRegistry(RegSetValueA(HKEY_CLASSES_ROOT, "RegistryProbe", REG_SZ, path, 0));
  const char* forced = std::getenv("REGISTRY_PROBE_RESULT");
  return forced != nullptr ? static_cast<HRESULT>(std::strtoul(forced, nullptr, 0)) : result;
}

#ifndef REGISTRY_PROBE_REGISTER_ONLY
PROBE_EXPORT HRESULT WINAPI DllUnregisterServer() {
  return FromRegistry(RegDeleteKeyA(HKEY_CLASSES_ROOT, "RegistryProbe"));
}
#endif

}  // extern "C"
