// CLSID_FilterMapper2: registers filters, by REGFILTER2 version 1 or 2, and
// categories in the registry through FilterMapperStore. Holds no state of
// its own beyond its reference count, so any thread may call it.
#pragma once

#include "com_object.h"
#include "platform.h"

namespace standin {

// Create is the runtime class's creation function.
class FilterMapper2 final : public ComObject<FilterMapper2, IFilterMapper2, IID_IFilterMapper2> {
 public:
  HRESULT STDMETHODCALLTYPE CreateCategory(REFCLSID category, DWORD merit, LPCWSTR description) override;
  // No category means CLSID_LegacyAmFilterCategory, no instance the class
  // id's text. HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when nothing is there.
  HRESULT STDMETHODCALLTYPE UnregisterFilter(const CLSID* category, LPCOLESTR instance, REFCLSID clsid) override;
  // Replaces any registration at the same place. Version 2 pins are named by
  // their index ("0", "1", ...); their mediums are not kept. Monikers are not
  // made: a given `moniker` receives none.
  HRESULT STDMETHODCALLTYPE RegisterFilter(REFCLSID clsid, LPCWSTR name, IMoniker** moniker, const CLSID* category,
                                           LPCOLESTR instance, const REGFILTER2* record) override;
  HRESULT STDMETHODCALLTYPE EnumMatchingFilters(IEnumMoniker** out, DWORD, BOOL, DWORD, BOOL, DWORD, const GUID*,
                                                const REGPINMEDIUM*, const CLSID*, BOOL, BOOL, DWORD, const GUID*,
                                                const REGPINMEDIUM*, const CLSID*) override;

 private:
  friend ComObject;
  FilterMapper2() = default;
  ~FilterMapper2() = default;
};

}  // namespace standin
