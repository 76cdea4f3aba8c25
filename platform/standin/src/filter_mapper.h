// CLSID_FilterMapper: the older mapper. Registers a filter, then its pins,
// then each pin's types, all in the legacy filter category, in the layout
// that FilterMapper2 shares. Holds no state of its own beyond its reference
// count, so any thread may call it.
#pragma once

#include "com_object.h"
#include "platform.h"

namespace standin {

// Create is the runtime class's creation function.
class FilterMapper final : public ComObject<FilterMapper, IFilterMapper, IID_IFilterMapper> {
 public:
  // Keeps pins already registered for the filter.
  HRESULT STDMETHODCALLTYPE RegisterFilter(CLSID clsid, LPCWSTR name, DWORD merit) override;
  HRESULT STDMETHODCALLTYPE RegisterFilterInstance(CLSID, LPCWSTR, CLSID*) override { return E_NOTIMPL; }
  // VFW_E_NOT_FOUND when the filter is not registered. Replaces a pin of the
  // same name, types included.
  HRESULT STDMETHODCALLTYPE RegisterPin(CLSID clsid, LPCWSTR name, BOOL rendered, BOOL output, BOOL zero, BOOL many,
                                        CLSID connectsToFilter, LPCWSTR connectsToPin) override;
  // VFW_E_NOT_FOUND when the pin is not registered.
  HRESULT STDMETHODCALLTYPE RegisterPinType(CLSID clsid, LPCWSTR pinName, CLSID major, CLSID minor) override;
  // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when nothing is there, for both.
  HRESULT STDMETHODCALLTYPE UnregisterFilter(CLSID clsid) override;
  HRESULT STDMETHODCALLTYPE UnregisterFilterInstance(CLSID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnregisterPin(CLSID clsid, LPCWSTR name) override;
  // Lists each filter class once, from whichever mapper and category it was
  // registered in, when its merit is at least `merit` and it has a pin for
  // each requirement asked: an input pin (rendered, if `mustRender`) of the
  // input types, an output pin of the output types. GUID_NULL, asked or
  // registered, matches any type.
  HRESULT STDMETHODCALLTYPE EnumMatchingFilters(IEnumRegFilters** out, DWORD merit, BOOL inputNeeded, CLSID inputMajor,
                                                CLSID inputMinor, BOOL mustRender, BOOL outputNeeded, CLSID outputMajor,
                                                CLSID outputMinor) override;

 private:
  friend ComObject;
  FilterMapper() = default;
  ~FilterMapper() = default;
};

}  // namespace standin
