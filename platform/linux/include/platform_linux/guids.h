// Published interface and class ids. Their storage lives in the stand-in
// runtime, as the platform's does in its import libraries.
#pragma once

#include "platform_linux/win_types.h"

extern "C" {

extern const GUID GUID_NULL;
#define CLSID_NULL GUID_NULL
#define IID_NULL GUID_NULL

extern const IID IID_IUnknown;
extern const IID IID_IClassFactory;
extern const IID IID_IPersist;
extern const IID IID_IDispatch;

}  // extern "C"
