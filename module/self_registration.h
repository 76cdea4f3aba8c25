// Self-registration: the COM server keys of every template row, and each
// row's filter data with the filter mapper.
#pragma once

#include "platform.h"

// Registration writes the server keys first and the filter data second;
// unregistration removes the filter data first and the server keys only when
// that succeeded.
HRESULT UpdateModuleRegistration(BOOL registering);

// Writes (or deletes) the server keys of every row for the module at `path`.
HRESULT UpdateServerKeys(LPCWSTR path, BOOL registering);

// CLSID\{id} = description; CLSID\{id}\<serverSubkey> = path, with
// "ThreadingModel" = threadingModel. Keys written before a failure stay.
HRESULT WriteServerKeys(CLSID classId, LPCWSTR description, LPCWSTR path, LPCWSTR threadingModel,
                        LPCWSTR serverSubkey);

// Deletes `name` under `parent` with everything beneath it. A key that cannot
// be opened counts as deleted; a subkey that cannot be deleted is passed over.
HRESULT DeleteKeyTree(HKEY parent, LPCSTR name);
