// The calling thread's last Win32 error code.
#include "platform.h"

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;
}  // namespace

extern "C" {

DWORD WINAPI GetLastError() { return lastError; }

void WINAPI SetLastError(DWORD error) { lastError = error; }

}  // extern "C"
