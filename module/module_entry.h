// The module's entry function and its COM exports.
#pragma once

#include "platform.h"

// The module's instance handle, recorded when the loader attaches it.
extern HINSTANCE ModuleInstance;

// Called by the loader (through DllMain) for process attach and detach.
// Always returns TRUE.
BOOL ModuleEntry(HINSTANCE instance, DWORD reason, LPVOID reserved);
