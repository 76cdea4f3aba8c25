// DllRegisterServer and DllUnregisterServer, and the routines behind them.
#include "module/self_registration.h"

#include <cstring>

#include "module/class_template.h"
#include "module/filter_setup.h"
#include "module/module_entry.h"

namespace {

// Key names and value texts are built in buffers of this size.
constexpr DWORD TextBytes = 260;
constexpr int ClassIdUnits = 39;

HRESULT Win32Failure(DWORD error) { return static_cast<HRESULT>((error & 0x0000FFFF) | 0x80070000); }

DWORD TextSize(const char* text) { return static_cast<DWORD>(std::strlen(text) + 1); }

// "CLSID\{id}" for `classId`.
void FormatClassKeyName(REFCLSID classId, char (&keyName)[TextBytes]) {
  WCHAR classText[ClassIdUnits];
  StringFromGUID2(classId, classText, ClassIdUnits);
  wsprintfA(keyName, "CLSID\\%ls", classText);
}

HRESULT SetDefaultValue(HKEY key, LPCWSTR value) {
  char text[TextBytes];
  wsprintfA(text, "%ls", value);
  const LONG error = RegSetValueA(key, nullptr, REG_SZ, text, TextSize(text));
  return error == ERROR_SUCCESS ? S_OK : Win32Failure(error);
}

// The module file's path as wide text, or a failure with nothing done.
HRESULT ModulePath(WCHAR (&widePath)[TextBytes]) {
  char path[TextBytes];
  const DWORD length = GetModuleFileNameA(ModuleInstance, path, TextBytes);
  if (length == 0) {
    return Win32Failure(GetLastError());
  }
  // A full buffer means the path was cut: registering it would point COM at
  // a file that does not exist.
  if (length >= TextBytes) {
    return Win32Failure(ERROR_INSUFFICIENT_BUFFER);
  }
  if (MultiByteToWideChar(CP_ACP, 0, path, static_cast<int>(length + 1), widePath, TextBytes) == 0) {
    return Win32Failure(GetLastError());
  }
  return S_OK;
}

// Registers or unregisters every row's filter data with whichever mapper can
// be created, newer first.
HRESULT UpdateFilterData(BOOL registering) {
  IFilterMapper2* mapper2 = nullptr;
  IFilterMapper* mapper = nullptr;
  HRESULT result = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                    reinterpret_cast<void**>(&mapper2));
  if (FAILED(result)) {
    result = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                              reinterpret_cast<void**>(&mapper));
    if (FAILED(result)) {
      return result;
    }
  }
  for (LONG row = 0; row < ClassTemplateCount && SUCCEEDED(result); ++row) {
    const FilterSetupData* setup = ClassTemplateTable[row].Setup;
    if (setup != nullptr) {
      result = mapper2 != nullptr ? RegisterWithMapper2(*setup, mapper2, registering)
                                  : RegisterWithMapper(*setup, mapper, registering);
    }
  }
  if (mapper2 != nullptr) {
    mapper2->Release();
  } else {
    mapper->Release();
  }
  return result;
}

}  // namespace

HRESULT UpdateModuleRegistration(BOOL registering) {
  WCHAR widePath[TextBytes];
  HRESULT result = ModulePath(widePath);
  if (FAILED(result)) {
    return result;
  }
  if (registering) {
    result = UpdateServerKeys(widePath, TRUE);
    if (FAILED(result)) {
      return result;
    }
  }

  // Only an initialisation of our own is undone: a caller already in another
  // apartment gets RPC_E_CHANGED_MODE and keeps its COM.
  const HRESULT initialised = CoInitialize(nullptr);
  result = UpdateFilterData(registering);
  CoFreeUnusedLibraries();
  if (SUCCEEDED(initialised)) {
    CoUninitialize();
  }

  if (!registering && SUCCEEDED(result)) {
    return UpdateServerKeys(widePath, FALSE);
  }
  return result;
}

HRESULT UpdateServerKeys(LPCWSTR path, BOOL registering) {
  for (LONG row = 0; row < ClassTemplateCount; ++row) {
    const ClassTemplateEntry& entry = ClassTemplateTable[row];
    if (registering) {
      const HRESULT result = WriteServerKeys(*entry.ClassId, entry.Name, path, OLESTR("Both"), OLESTR("InprocServer32"));
      if (FAILED(result)) {
        return result;
      }
    } else {
      char keyName[TextBytes];
      FormatClassKeyName(*entry.ClassId, keyName);
      DeleteKeyTree(HKEY_CLASSES_ROOT, keyName);
    }
  }
  return S_OK;
}

HRESULT WriteServerKeys(CLSID classId, LPCWSTR description, LPCWSTR path, LPCWSTR threadingModel,
                        LPCWSTR serverSubkey) {
  char keyName[TextBytes];
  FormatClassKeyName(classId, keyName);
  HKEY classKey = nullptr;
  LONG error = RegCreateKeyA(HKEY_CLASSES_ROOT, keyName, &classKey);
  if (error != ERROR_SUCCESS) {
    return Win32Failure(error);
  }
  HRESULT result = SetDefaultValue(classKey, description);
  if (FAILED(result)) {
    RegCloseKey(classKey);
    return result;
  }

  char serverName[TextBytes];
  wsprintfA(serverName, "%ls", serverSubkey);
  HKEY serverKey = nullptr;
  error = RegCreateKeyA(classKey, serverName, &serverKey);
  if (error != ERROR_SUCCESS) {
    RegCloseKey(classKey);
    return Win32Failure(error);
  }
  result = SetDefaultValue(serverKey, path);
  if (FAILED(result)) {
    RegCloseKey(classKey);
    RegCloseKey(serverKey);
    return result;
  }

  char model[TextBytes];
  wsprintfA(model, "%ls", threadingModel);
  error = RegSetValueExA(serverKey, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(model),
                         TextSize(model));
  RegCloseKey(classKey);
  RegCloseKey(serverKey);
  return error == ERROR_SUCCESS ? S_OK : Win32Failure(error);
}

HRESULT DeleteKeyTree(HKEY parent, LPCSTR name) {
  if (name == nullptr || name[0] == '\0') {
    return E_FAIL;
  }
  HKEY key = nullptr;
  if (RegOpenKeyExA(parent, name, 0, MAXIMUM_ALLOWED, &key) != ERROR_SUCCESS) {
    return S_OK;
  }
  // Each deletion moves the next subkey to the front, so the same index is
  // asked again. A subkey that comes back under the name just tried has
  // survived its deletion (we may lack the right even to open it): it is
  // passed over, so the walk always ends.
  DWORD index = 0;
  char tried[TextBytes] = "";
  for (;;) {
    char subkey[TextBytes];
    DWORD size = TextBytes;  // in and out: reset for every call
    if (RegEnumKeyExA(key, index, subkey, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    if (std::strcmp(subkey, tried) == 0) {
      ++index;
      continue;
    }
    DeleteKeyTree(key, subkey);
    std::memcpy(tried, subkey, size + 1);  // size: the name's length
  }
  RegCloseKey(key);
  RegDeleteKeyA(parent, name);
  return S_OK;
}

STDAPI DllRegisterServer() { return UpdateModuleRegistration(TRUE); }

STDAPI DllUnregisterServer() { return UpdateModuleRegistration(FALSE); }
