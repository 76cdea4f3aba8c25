// Class ids of the test module's rows, shared by the module and its tests.
#pragma once

#include "platform.h"

// A plain object answering IPersist.
inline constexpr CLSID CLSID_TestObject = {0x6c1f1f3a, 0x52b4, 0x4a0e, {0x9b, 0x51, 0x1d, 0x0e, 0x73, 0x6a, 0x11, 0x01}};
// Its create routine returns an object together with E_FAIL.
inline constexpr CLSID CLSID_RejectedObject = {0x6c1f1f3a, 0x52b4, 0x4a0e, {0x9b, 0x51, 0x1d, 0x0e, 0x73, 0x6a, 0x11, 0x02}};
// Its create routine returns none and leaves S_OK.
inline constexpr CLSID CLSID_NoObject = {0x6c1f1f3a, 0x52b4, 0x4a0e, {0x9b, 0x51, 0x1d, 0x0e, 0x73, 0x6a, 0x11, 0x03}};
// Its create routine returns none with CLASS_E_NOAGGREGATION.
inline constexpr CLSID CLSID_RefusingObject = {0x6c1f1f3a, 0x52b4, 0x4a0e, {0x9b, 0x51, 0x1d, 0x0e, 0x73, 0x6a, 0x11, 0x04}};
// Carried by no row.
inline constexpr CLSID CLSID_Unserved = {0x6c1f1f3a, 0x52b4, 0x4a0e, {0x9b, 0x51, 0x1d, 0x0e, 0x73, 0x6a, 0x11, 0xff}};

// What the test module exports beside the COM entry points.
typedef LONG (*TestModuleCounterFunction)();
typedef HINSTANCE (*TestModuleInstanceFunction)();
typedef void (*InitProbe)(BOOL loading, const CLSID* classId);
typedef void (*TestModuleSetInitProbeFunction)(InitProbe probe);
