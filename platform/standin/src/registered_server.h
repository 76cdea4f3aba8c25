// Where the registry says a class's in-process server lives.
#pragma once

#include <optional>
#include <string>

#include "platform.h"

namespace standin {

// The InprocServer32 path registered for `classId`; none when the class is
// not registered.
std::optional<std::string> FindRegisteredServer(REFCLSID classId);

}  // namespace standin
