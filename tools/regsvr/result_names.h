// Published names of the result codes that the system meets, for messages.
#pragma once

#include <string>

#include "platform.h"

// "S_OK", "HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)", ...; "unknown" for
// codes without a published name here.
std::string HresultName(HRESULT code);

// "ERROR_SUCCESS", "ERROR_BADDB", ...; "unknown" likewise.
const char* Win32ErrorName(LONG code);
