#include "filter_mapper.h"

#include <algorithm>
#include <memory>

#include "export_guard.h"
#include "filter_mapper_store.h"
#include "reg_filter_enumerator.h"
#include "utf.h"

namespace standin {

namespace {

// What EnumMatchingFilters asks of one direction's pins.
struct PinNeed {
  bool output;
  bool mustRender;
  CLSID major;
  CLSID minor;
};

bool TypeMatches(REFCLSID asked, REFCLSID registered) {
  return asked == GUID_NULL || registered == GUID_NULL || asked == registered;
}

bool PinMeets(const MapperPin& pin, const PinNeed& need) {
  if (((pin.flags & REG_PINFLAG_B_OUTPUT) != 0) != need.output) {
    return false;
  }
  if (need.mustRender && (pin.flags & REG_PINFLAG_B_RENDERER) == 0) {
    return false;
  }
  if (need.major == GUID_NULL && need.minor == GUID_NULL) {
    return true;
  }
  return std::any_of(pin.types.begin(), pin.types.end(), [&](const MapperPinType& type) {
    return TypeMatches(need.major, type.major) && TypeMatches(need.minor, type.minor);
  });
}

bool FilterMeets(const MapperFilter& filter, const PinNeed& need) {
  return std::any_of(filter.pins.begin(), filter.pins.end(), [&](const MapperPin& pin) { return PinMeets(pin, need); });
}

std::u16string WideText(const std::string& text) {
  std::u16string wide;
  DecodeUtf8(text.data(), text.size(), [&](char16_t unit) { wide.push_back(unit); });
  return wide;
}

// Pin and pin type names must each be one registry key name.
HRESULT CheckPinName(LPCWSTR name, std::string* narrow) {
  if (name == nullptr) {
    return E_POINTER;
  }
  *narrow = NarrowText(name);
  return IsKeyName(*narrow) ? S_OK : E_INVALIDARG;
}

}  // namespace

HRESULT FilterMapper::RegisterFilter(CLSID clsid, LPCWSTR name, DWORD merit) {
  if (name == nullptr) {
    return E_POINTER;
  }
  return Guarded<HRESULT>(E_OUTOFMEMORY, [&] {
    return FilterMapperStore::WriteFilterValues(LegacyPlace(clsid), clsid, NarrowText(name), merit);
  });
}

HRESULT FilterMapper::RegisterPin(CLSID clsid, LPCWSTR name, BOOL rendered, BOOL output, BOOL zero, BOOL many,
                                  CLSID connectsToFilter, LPCWSTR connectsToPin) {
  return Guarded<HRESULT>(E_OUTOFMEMORY, [&] {
    MapperPin pin;
    const HRESULT result = CheckPinName(name, &pin.name);
    if (FAILED(result)) {
      return result;
    }
    pin.flags = (zero ? REG_PINFLAG_B_ZERO : 0) | (rendered ? REG_PINFLAG_B_RENDERER : 0) |
                (many ? REG_PINFLAG_B_MANY : 0) | (output ? REG_PINFLAG_B_OUTPUT : 0);
    pin.connectsToFilter = connectsToFilter;
    pin.connectsToPin = NarrowText(connectsToPin);
    return FilterMapperStore::WritePin(LegacyPlace(clsid), pin);
  });
}

HRESULT FilterMapper::RegisterPinType(CLSID clsid, LPCWSTR pinName, CLSID major, CLSID minor) {
  return Guarded<HRESULT>(E_OUTOFMEMORY, [&] {
    std::string narrow;
    const HRESULT result = CheckPinName(pinName, &narrow);
    return FAILED(result) ? result : FilterMapperStore::AddPinType(LegacyPlace(clsid), narrow, {major, minor});
  });
}

HRESULT FilterMapper::UnregisterFilter(CLSID clsid) {
  return Guarded<HRESULT>(E_OUTOFMEMORY, [&] { return FilterMapperStore::DeleteFilter(LegacyPlace(clsid)); });
}

HRESULT FilterMapper::UnregisterPin(CLSID clsid, LPCWSTR name) {
  return Guarded<HRESULT>(E_OUTOFMEMORY, [&] {
    std::string narrow;
    const HRESULT result = CheckPinName(name, &narrow);
    return FAILED(result) ? result : FilterMapperStore::DeletePin(LegacyPlace(clsid), narrow);
  });
}

HRESULT FilterMapper::EnumMatchingFilters(IEnumRegFilters** out, DWORD merit, BOOL inputNeeded, CLSID inputMajor,
                                          CLSID inputMinor, BOOL mustRender, BOOL outputNeeded, CLSID outputMajor,
                                          CLSID outputMinor) {
  if (out == nullptr) {
    return E_POINTER;
  }
  *out = nullptr;
  return Guarded<HRESULT>(E_OUTOFMEMORY, [&] {
    std::vector<MapperFilter> filters;
    const HRESULT result = FilterMapperStore::ReadFilters(&filters);
    if (FAILED(result)) {
      return result;
    }
    const PinNeed input{false, mustRender != FALSE, inputMajor, inputMinor};
    const PinNeed output{true, false, outputMajor, outputMinor};
    auto entries = std::make_shared<std::vector<RegFilterEntry>>();
    for (const MapperFilter& filter : filters) {
      const bool listed = std::any_of(entries->begin(), entries->end(),
                                      [&](const RegFilterEntry& entry) { return entry.clsid == filter.clsid; });
      if (listed || filter.merit < merit || (inputNeeded && !FilterMeets(filter, input)) ||
          (outputNeeded && !FilterMeets(filter, output))) {
        continue;
      }
      entries->push_back({filter.clsid, WideText(filter.name)});
    }
    return RegFilterEnumerator::Create(std::move(entries), 0, out);
  });
}

}  // namespace standin
