// Waiting on and closing any kernel object.
#include "export_guard.h"
#include "handle_table.h"

extern "C" {

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return standin::Guarded<DWORD>(WAIT_FAILED, [&] {
    // The wait holds its own reference, so closing the handle meanwhile is safe.
    auto object = standin::FindObject<standin::KernelObject>(handle);
    return object ? object->Wait(milliseconds) : WAIT_FAILED;
  });
}

BOOL WINAPI CloseHandle(HANDLE handle) {
  return standin::Guarded<BOOL>(FALSE, [&] {
    if (!standin::HandleTable::Instance().Remove(handle)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    return TRUE;
  });
}

}  // extern "C"
