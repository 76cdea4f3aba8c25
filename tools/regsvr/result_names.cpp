#include "tools/regsvr/result_names.h"

namespace {

struct CodeName {
  ULONG code;
  const char* name;
};

constexpr CodeName kHresultNames[] = {
    {0x00000000, "S_OK"},
    {0x00000001, "S_FALSE"},
    {0x80004003, "E_POINTER"},
    {0x80004002, "E_NOINTERFACE"},
    {0x8007000E, "E_OUTOFMEMORY"},
    {0x80004005, "E_FAIL"},
    {0x8000FFFF, "E_UNEXPECTED"},
    {0x80004001, "E_NOTIMPL"},
    {0x80070057, "E_INVALIDARG"},
    {0x80070006, "E_HANDLE"},
    {0x80004004, "E_ABORT"},
    {0x80040111, "CLASS_E_CLASSNOTAVAILABLE"},
    {0x80040110, "CLASS_E_NOAGGREGATION"},
    {0x80040154, "REGDB_E_CLASSNOTREG"},
    {0x800401F0, "CO_E_NOTINITIALIZED"},
    {0x80010106, "RPC_E_CHANGED_MODE"},
    {0x80040200, "VFW_E_INVALIDMEDIATYPE"},
    {0x80040203, "VFW_E_ENUM_OUT_OF_SYNC"},
    {0x80040204, "VFW_E_ALREADY_CONNECTED"},
    {0x80040207, "VFW_E_NO_ACCEPTABLE_TYPES"},
    {0x80040208, "VFW_E_INVALID_DIRECTION"},
    {0x80040209, "VFW_E_NOT_CONNECTED"},
    {0x8004020A, "VFW_E_NO_ALLOCATOR"},
    {0x8004020B, "VFW_E_RUNTIME_ERROR"},
    {0x80040210, "VFW_E_BUFFERS_OUTSTANDING"},
    {0x80040211, "VFW_E_NOT_COMMITTED"},
    {0x80040212, "VFW_E_SIZENOTSET"},
    {0x80040213, "VFW_E_NO_CLOCK"},
    {0x80040216, "VFW_E_NOT_FOUND"},
    {0x80040217, "VFW_E_CANNOT_CONNECT"},
    {0x80040218, "VFW_E_CANNOT_RENDER"},
    {0x80040223, "VFW_E_STATE_CHANGED"},
    {0x80040224, "VFW_E_NOT_STOPPED"},
    {0x80040225, "VFW_E_NOT_PAUSED"},
    {0x80040226, "VFW_E_NOT_RUNNING"},
    {0x80040227, "VFW_E_WRONG_STATE"},
    {0x8004022A, "VFW_E_TYPE_NOT_ACCEPTED"},
    {0x80040249, "VFW_E_SAMPLE_TIME_NOT_SET"},
    {0x00040103, "VFW_S_NO_MORE_ITEMS"},
    {0x00040237, "VFW_S_STATE_INTERMEDIATE"},
    {0x00040268, "VFW_S_CANT_CUE"},
};

constexpr CodeName kWin32Names[] = {
    {0, "ERROR_SUCCESS"},
    {2, "ERROR_FILE_NOT_FOUND"},
    {5, "ERROR_ACCESS_DENIED"},
    {6, "ERROR_INVALID_HANDLE"},
    {8, "ERROR_NOT_ENOUGH_MEMORY"},
    {29, "ERROR_WRITE_FAULT"},
    {87, "ERROR_INVALID_PARAMETER"},
    {112, "ERROR_DISK_FULL"},
    {122, "ERROR_INSUFFICIENT_BUFFER"},
    {126, "ERROR_MOD_NOT_FOUND"},
    {127, "ERROR_PROC_NOT_FOUND"},
    {193, "ERROR_BAD_EXE_FORMAT"},
    {234, "ERROR_MORE_DATA"},
    {259, "ERROR_NO_MORE_ITEMS"},
    {1009, "ERROR_BADDB"},
    {1010, "ERROR_BADKEY"},
    {1018, "ERROR_KEY_DELETED"},
    {1114, "ERROR_DLL_INIT_FAILED"},
};

template <size_t N>
const char* Lookup(const CodeName (&names)[N], ULONG code) {
  for (const CodeName& entry : names) {
    if (entry.code == code) {
      return entry.name;
    }
  }
  return nullptr;
}

}  // namespace

std::string HresultName(HRESULT code) {
  const ULONG bits = static_cast<ULONG>(code);
  if (const char* name = Lookup(kHresultNames, bits)) {
    return name;
  }
  // A Win32 error carried as an HRESULT: 0x8007xxxx.
  const char* win32 = (bits & 0xFFFF0000) == 0x80070000 ? Lookup(kWin32Names, bits & 0xFFFF) : nullptr;
  return win32 != nullptr ? std::string("HRESULT_FROM_WIN32(") + win32 + ")" : std::string("unknown");
}

const char* Win32ErrorName(LONG code) {
  const char* name = Lookup(kWin32Names, static_cast<ULONG>(code));
  return name != nullptr ? name : "unknown";
}
