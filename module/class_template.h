// The template table: the data that says which classes a module serves.
// Each module library defines ClassTemplateTable and ClassTemplateCount.
#pragma once

#include "module/unknown_base.h"
#include "platform.h"

struct FilterSetupData;

// Creates an object for `outer` (or none) with RefCount 0 and returns its
// inner unknown, or none. `result` arrives as S_OK; a failure is stored
// through it, possibly alongside a returned object.
typedef UnknownBase* (*CreateFunction)(IUnknown* outer, HRESULT* result);

// Runs when the module is loaded (TRUE) and unloaded (FALSE).
typedef void (*InitRoutineFunction)(BOOL loading, const CLSID* classId);

struct ClassTemplateEntry {
  const WCHAR* Name;
  const CLSID* ClassId;
  CreateFunction Create;
  InitRoutineFunction InitRoutine;  // or none
  const FilterSetupData* Setup;     // or none
};

extern const ClassTemplateEntry ClassTemplateTable[];
extern const LONG ClassTemplateCount;
