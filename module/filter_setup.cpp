#include "module/filter_setup.h"

namespace {

HRESULT FoundNothingIsSuccess(HRESULT result) { return result == NothingToRemove ? S_OK : result; }

HRESULT RegisterPinWithMapper(const FilterSetupData& setup, const REGFILTERPINS& pin, IFilterMapper* mapper) {
  HRESULT result = mapper->RegisterPin(*setup.ClassId, pin.strName, pin.bRendered, pin.bOutput, pin.bZero, pin.bMany,
                                       *pin.clsConnectsToFilter, pin.strConnectsToPin);
  for (UINT type = 0; type < pin.nMediaTypes && SUCCEEDED(result); ++type) {
    const REGPINTYPES& mediaType = pin.lpMediaType[type];
    result = mapper->RegisterPinType(*setup.ClassId, pin.strName, *mediaType.clsMajorType, *mediaType.clsMinorType);
  }
  return result;
}

}  // namespace

HRESULT RegisterWithMapper2(const FilterSetupData& setup, IFilterMapper2* mapper, BOOL registering) {
  HRESULT result = mapper->UnregisterFilter(nullptr, nullptr, *setup.ClassId);
  if (registering) {
    REGFILTER2 filter = {};
    filter.dwVersion = 1;
    filter.dwMerit = setup.Merit;
    filter.cPins = setup.PinRecordCount;
    filter.rgPins = setup.PinRecords;
    result = mapper->RegisterFilter(*setup.ClassId, setup.Name, nullptr, nullptr, nullptr, &filter);
  }
  return FoundNothingIsSuccess(result);
}

HRESULT RegisterWithMapper(const FilterSetupData& setup, IFilterMapper* mapper, BOOL registering) {
  HRESULT result = mapper->UnregisterFilter(*setup.ClassId);
  if (registering) {
    result = mapper->RegisterFilter(*setup.ClassId, setup.Name, setup.Merit);
    for (ULONG pin = 0; pin < setup.PinRecordCount && SUCCEEDED(result); ++pin) {
      result = RegisterPinWithMapper(setup, setup.PinRecords[pin], mapper);
    }
  }
  return FoundNothingIsSuccess(result);
}
