// The filter data that both mappers keep in the registry, in one layout, so
// that what one mapper registers the other lists and removes:
//
//   CLSID\{category}\Instance\{instance}     "FriendlyName" REG_SZ, "CLSID" REG_SZ, "Merit" REG_DWORD
//     Pins\{pin name}                        "Flags" REG_DWORD (REG_PINFLAG_B_*), "Instances" REG_DWORD,
//                                            "ConnectsToFilter" REG_SZ, "ConnectsToPin" REG_SZ,
//                                            "Category" REG_SZ (each of the last three only when given)
//       Types\{major}\{minor}
//
// Categories made by CreateCategory sit in the same form under the category
// of categories. The data never lives under the filter's own CLSID\{id} key,
// which belongs to its module's server registration.
//
// Every operation runs under one process-wide lock, so a compound change by
// one mapper is never seen half done by another in this process. Registry
// failures come back as HRESULT_FROM_WIN32 codes. May throw std::bad_alloc;
// the COM methods above it catch that.
#pragma once

#include <string>
#include <vector>

#include "platform.h"

namespace standin {

struct MapperPinType {
  CLSID major;
  CLSID minor;
};

struct MapperPin {
  std::string name;  // UTF-8, as the registry keeps text
  DWORD flags = 0;   // REG_PINFLAG_B_*
  DWORD instances = 0;
  CLSID connectsToFilter = GUID_NULL;
  std::string connectsToPin;
  CLSID category = GUID_NULL;
  std::vector<MapperPinType> types;
};

struct MapperFilter {
  CLSID clsid;
  std::string name;
  DWORD merit = 0;
  std::vector<MapperPin> pins;
};

// Where one registration lives: its category and its instance key name.
struct FilterPlace {
  CLSID category;
  std::string instance;
};

// The place IFilterMapper uses, and IFilterMapper2 when given neither a
// category nor an instance.
FilterPlace LegacyPlace(REFCLSID clsid);

// Wide text as the registry's UTF-8; none for a null pointer.
std::string NarrowText(LPCWSTR text);

// Whether `name` can be one registry key name: not empty, no backslash.
bool IsKeyName(const std::string& name);

namespace FilterMapperStore {

// Replaces whatever is at `place` by `filter`; on failure nothing of it stays.
HRESULT WriteFilter(const FilterPlace& place, const MapperFilter& filter);

// Sets name, class id and merit at `place`, keeping any pins there.
HRESULT WriteFilterValues(const FilterPlace& place, REFCLSID clsid, const std::string& name, DWORD merit);

// Replaces the pin of that name (types included). VFW_E_NOT_FOUND when
// nothing is registered at `place`.
HRESULT WritePin(const FilterPlace& place, const MapperPin& pin);

// VFW_E_NOT_FOUND when the pin is not registered.
HRESULT AddPinType(const FilterPlace& place, const std::string& pinName, const MapperPinType& type);

// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when there is nothing to remove.
HRESULT DeleteFilter(const FilterPlace& place);
HRESULT DeletePin(const FilterPlace& place, const std::string& pinName);

HRESULT WriteCategory(REFCLSID category, DWORD merit, const std::string& description);

// Every filter registered in any category, in registry order. Entries whose
// data cannot be read as a registration are passed over.
HRESULT ReadFilters(std::vector<MapperFilter>* filters);

}  // namespace FilterMapperStore

}  // namespace standin
