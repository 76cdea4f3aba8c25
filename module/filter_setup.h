// A filter's setup record and its registration with the filter mappers.
#pragma once

#include "platform.h"

// What the filter mapper keeps of a filter: its name, merit, pins and pin
// media types. Constant static data.
struct FilterSetupData {
  const CLSID* ClassId;
  const WCHAR* Name;
  DWORD Merit;
  ULONG PinRecordCount;
  const REGFILTERPINS* PinRecords;
};

// The mapper's "nothing to remove" code, which counts as success.
inline constexpr HRESULT NothingToRemove = static_cast<HRESULT>(0x80070002);

// Registers (or, when `registering` is FALSE, unregisters) the record with
// the newer mapper. Any earlier data for the class is removed first.
HRESULT RegisterWithMapper2(const FilterSetupData& setup, IFilterMapper2* mapper, BOOL registering);

// The same with the older mapper: filter, then each pin and its media types,
// stopping at the first failure.
HRESULT RegisterWithMapper(const FilterSetupData& setup, IFilterMapper* mapper, BOOL registering);
