#include "filter_mapper2.h"

#include <string>

#include "export_guard.h"
#include "filter_mapper_store.h"

namespace standin {

namespace {

HRESULT ReadTypes(UINT count, const REGPINTYPES* types, std::vector<MapperPinType>* out) {
  if (count > 0 && types == nullptr) {
    return E_POINTER;
  }
  for (UINT at = 0; at < count; ++at) {
    if (types[at].clsMajorType == nullptr || types[at].clsMinorType == nullptr) {
      return E_POINTER;
    }
    out->push_back({*types[at].clsMajorType, *types[at].clsMinorType});
  }
  return S_OK;
}

HRESULT ReadPin(const REGFILTERPINS& given, MapperPin* pin) {
  if (given.strName == nullptr) {
    return E_POINTER;
  }
  pin->name = NarrowText(given.strName);
  if (!IsKeyName(pin->name)) {
    return E_INVALIDARG;
  }
  pin->flags = (given.bZero ? REG_PINFLAG_B_ZERO : 0) | (given.bRendered ? REG_PINFLAG_B_RENDERER : 0) |
               (given.bMany ? REG_PINFLAG_B_MANY : 0) | (given.bOutput ? REG_PINFLAG_B_OUTPUT : 0);
  pin->connectsToFilter = given.clsConnectsToFilter != nullptr ? *given.clsConnectsToFilter : GUID_NULL;
  pin->connectsToPin = NarrowText(given.strConnectsToPin);
  return ReadTypes(given.nMediaTypes, given.lpMediaType, &pin->types);
}

HRESULT ReadPin2(const REGFILTERPINS2& given, ULONG index, MapperPin* pin) {
  if (given.nMediums > 0 && given.lpMedium == nullptr) {
    return E_POINTER;
  }
  pin->name = std::to_string(index);
  pin->flags = given.dwFlags;
  pin->instances = given.cInstances;
  pin->category = given.clsPinCategory != nullptr ? *given.clsPinCategory : GUID_NULL;
  return ReadTypes(given.nMediaTypes, given.lpMediaType, &pin->types);
}

HRESULT ReadPins(const REGFILTER2& record, std::vector<MapperPin>* pins) {
  if (record.dwVersion != 1 && record.dwVersion != 2) {
    return E_INVALIDARG;
  }
  const bool first = record.dwVersion == 1;
  const ULONG count = first ? record.cPins : record.cPins2;
  if (count > 0 && (first ? record.rgPins == nullptr : record.rgPins2 == nullptr)) {
    return E_POINTER;
  }
  for (ULONG at = 0; at < count; ++at) {
    MapperPin pin;
    const HRESULT result = first ? ReadPin(record.rgPins[at], &pin) : ReadPin2(record.rgPins2[at], at, &pin);
    if (FAILED(result)) {
      return result;
    }
    pins->push_back(std::move(pin));
  }
  return S_OK;
}

HRESULT PlaceOf(const CLSID* category, LPCOLESTR instance, REFCLSID clsid, FilterPlace* place) {
  *place = LegacyPlace(clsid);
  if (category != nullptr) {
    place->category = *category;
  }
  if (instance != nullptr) {
    place->instance = NarrowText(instance);
    if (!IsKeyName(place->instance)) {
      return E_INVALIDARG;
    }
  }
  return S_OK;
}

}  // namespace

HRESULT FilterMapper2::CreateCategory(REFCLSID category, DWORD merit, LPCWSTR description) {
  if (description == nullptr) {
    return E_POINTER;
  }
  return Guarded<HRESULT>(E_OUTOFMEMORY,
                          [&] { return FilterMapperStore::WriteCategory(category, merit, NarrowText(description)); });
}

HRESULT FilterMapper2::UnregisterFilter(const CLSID* category, LPCOLESTR instance, REFCLSID clsid) {
  return Guarded<HRESULT>(E_OUTOFMEMORY, [&] {
    FilterPlace place;
    const HRESULT result = PlaceOf(category, instance, clsid, &place);
    return FAILED(result) ? result : FilterMapperStore::DeleteFilter(place);
  });
}

HRESULT FilterMapper2::RegisterFilter(REFCLSID clsid, LPCWSTR name, IMoniker** moniker, const CLSID* category,
                                      LPCOLESTR instance, const REGFILTER2* record) {
  if (moniker != nullptr) {
    *moniker = nullptr;
  }
  if (name == nullptr || record == nullptr) {
    return E_POINTER;
  }
  return Guarded<HRESULT>(E_OUTOFMEMORY, [&] {
    MapperFilter filter{clsid, NarrowText(name), record->dwMerit, {}};
    FilterPlace place;
    HRESULT result = ReadPins(*record, &filter.pins);
    if (SUCCEEDED(result)) result = PlaceOf(category, instance, clsid, &place);
    return FAILED(result) ? result : FilterMapperStore::WriteFilter(place, filter);
  });
}

HRESULT FilterMapper2::EnumMatchingFilters(IEnumMoniker** out, DWORD, BOOL, DWORD, BOOL, DWORD, const GUID*,
                                           const REGPINMEDIUM*, const CLSID*, BOOL, BOOL, DWORD, const GUID*,
                                           const REGPINMEDIUM*, const CLSID*) {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = nullptr;
  return E_NOTIMPL;
}

}  // namespace standin
