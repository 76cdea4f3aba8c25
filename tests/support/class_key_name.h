// The registry key of a COM class: "CLSID\{id}".
#pragma once

#include <string>

#include "platform.h"

inline std::string ClassKeyName(REFCLSID classId) {
  WCHAR text[39];
  StringFromGUID2(classId, text, 39);
  char name[64];
  wsprintfA(name, "CLSID\\%ls", text);
  return name;
}
