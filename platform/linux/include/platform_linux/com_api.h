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

// What an in-process server exports.
HRESULT WINAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* out);
HRESULT WINAPI DllCanUnloadNow();
HRESULT WINAPI DllRegisterServer();
HRESULT WINAPI DllUnregisterServer();

}  // extern "C"
