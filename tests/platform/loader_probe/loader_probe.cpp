// A module for the loader tests. It reports each DllMain call to the test
// executable, which decides the answer to process attach, and counts the
// calls of its other export, so a test can tell one loaded copy from the next.
#include "platform.h"

#define PROBE_EXPORT __attribute__((visibility("default")))

extern "C" {

// Defined (and exported) by the test executable.
BOOL LoaderProbeNotified(HINSTANCE instance, DWORD reason);

PROBE_EXPORT BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    DisableThreadLibraryCalls(instance);
  }
  return LoaderProbeNotified(instance, reason);
}

PROBE_EXPORT LONG ProbeCounter() {
  static LONG calls = 0;
  return ++calls;
}

LONG ProbeUnexported() { return 0; }

}  // extern "C"
