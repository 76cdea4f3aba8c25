// The registry tree under HKEY_CLASSES_ROOT as text for a person: one key a
// line, indented by depth, its values (name, type, data) before its subkeys.
#pragma once

#include <cstdio>

#include "platform.h"

// Writes the whole tree to `out`; answers the first registry error met
// (ERROR_BADDB for a damaged file), having written what came before it.
LONG ListRegistry(std::FILE* out);
