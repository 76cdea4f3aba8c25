// The runtime's own classes, created in process without any registry entry.
#pragma once

#include "platform.h"

namespace standin {

// Creates an instance for `outer` (none unless aggregated) and hands back its
// `iid` interface; aggregation rules are each class's own.
typedef HRESULT (*RuntimeClassCreate)(IUnknown* outer, REFIID iid, void** out);

struct RuntimeClass {
  const CLSID* classId;
  RuntimeClassCreate create;
};

enum class RuntimeClassState { Absent, Hidden, Available };

// Whether the runtime serves `classId`; `row` is set when it is available.
RuntimeClassState FindRuntimeClass(REFCLSID classId, const RuntimeClass** row);

}  // namespace standin
