// The COM runtime calls, served on Linux by the stand-in runtime.
#pragma once

#include "platform_linux/com_interfaces.h"
#include "platform_linux/win_types.h"

extern "C" {

HRESULT WINAPI CoInitialize(LPVOID reserved);
HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD coInit);
void WINAPI CoUninitialize();
HRESULT WINAPI CoCreateInstance(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* out);
HRESULT WINAPI CoGetClassObject(REFCLSID classId, DWORD context, LPVOID reserved, REFIID iid, LPVOID* out);
void WINAPI CoFreeUnusedLibraries();
LPVOID WINAPI CoTaskMemAlloc(SIZE_T bytes);
void WINAPI CoTaskMemFree(LPVOID memory);
int WINAPI StringFromGUID2(REFGUID guid, LPOLESTR text, int maxUnits);

// What an in-process server exports. Module libraries are built with hidden
// visibility; these declarations make the definitions visible, and each
// module's export list then names the ones it serves.
#define MODULE_EXPORT __attribute__((visibility("default")))
MODULE_EXPORT BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
MODULE_EXPORT HRESULT WINAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* out);
MODULE_EXPORT HRESULT WINAPI DllCanUnloadNow();
MODULE_EXPORT HRESULT WINAPI DllRegisterServer();
MODULE_EXPORT HRESULT WINAPI DllUnregisterServer();

}  // extern "C"
