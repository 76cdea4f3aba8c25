// The filter mappers' interfaces and records: how a filter's name, merit,
// pins and pin media types are registered with the media-graph runtime.
#pragma once

#include "platform_linux/com_interfaces.h"
#include "platform_linux/win_types.h"

// Monikers are only passed through as none by this system.
struct IMoniker;
struct IEnumMoniker;

struct REGFILTER {
  CLSID Clsid;
  LPWSTR Name;
};

struct REGPINTYPES {
  const CLSID* clsMajorType;
  const CLSID* clsMinorType;
};

struct REGFILTERPINS {
  LPWSTR strName;
  BOOL bRendered;
  BOOL bOutput;
  BOOL bZero;
  BOOL bMany;
  const CLSID* clsConnectsToFilter;
  const WCHAR* strConnectsToPin;
  UINT nMediaTypes;
  const REGPINTYPES* lpMediaType;
};

struct REGPINMEDIUM {
  CLSID clsMedium;
  DWORD dw1;
  DWORD dw2;
};

struct REGFILTERPINS2 {
  DWORD dwFlags;
  UINT cInstances;
  UINT nMediaTypes;
  const REGPINTYPES* lpMediaType;
  UINT nMediums;
  const REGPINMEDIUM* lpMedium;
  const CLSID* clsPinCategory;
};

struct REGFILTER2 {
  DWORD dwVersion;
  DWORD dwMerit;
  union {
    struct {
      ULONG cPins;
      const REGFILTERPINS* rgPins;
    };
    struct {
      ULONG cPins2;
      const REGFILTERPINS2* rgPins2;
    };
  };
};

#define MERIT_PREFERRED 0x800000
#define MERIT_NORMAL 0x600000
#define MERIT_UNLIKELY 0x400000
#define MERIT_DO_NOT_USE 0x200000
#define MERIT_SW_COMPRESSOR 0x100000
#define MERIT_HW_COMPRESSOR 0x100050

#define REG_PINFLAG_B_ZERO 0x1
#define REG_PINFLAG_B_RENDERER 0x2
#define REG_PINFLAG_B_MANY 0x4
#define REG_PINFLAG_B_OUTPUT 0x8

struct IEnumRegFilters : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG cFilters, REGFILTER** apRegFilter, ULONG* pcFetched) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skip(ULONG cFilters) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IEnumRegFilters** ppEnum) = 0;
};

struct IFilterMapper : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE RegisterFilter(CLSID clsid, LPCWSTR Name, DWORD dwMerit) = 0;
  virtual HRESULT STDMETHODCALLTYPE RegisterFilterInstance(CLSID clsid, LPCWSTR Name, CLSID* MRId) = 0;
  virtual HRESULT STDMETHODCALLTYPE RegisterPin(CLSID Filter, LPCWSTR Name, BOOL bRendered, BOOL bOutput,
                                                BOOL bZero, BOOL bMany, CLSID ConnectsToFilter,
                                                LPCWSTR ConnectsToPin) = 0;
  virtual HRESULT STDMETHODCALLTYPE RegisterPinType(CLSID clsFilter, LPCWSTR strName, CLSID clsMajorType,
                                                    CLSID clsSubType) = 0;
  virtual HRESULT STDMETHODCALLTYPE UnregisterFilter(CLSID Filter) = 0;
  virtual HRESULT STDMETHODCALLTYPE UnregisterFilterInstance(CLSID MRId) = 0;
  virtual HRESULT STDMETHODCALLTYPE UnregisterPin(CLSID Filter, LPCWSTR Name) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumMatchingFilters(IEnumRegFilters** ppEnum, DWORD dwMerit, BOOL bInputNeeded,
                                                        CLSID clsInMaj, CLSID clsInSub, BOOL bRender,
                                                        BOOL bOututNeeded, CLSID clsOutMaj, CLSID clsOutSub) = 0;
};

struct IFilterMapper2 : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateCategory(REFCLSID clsidCategory, DWORD dwCategoryMerit,
                                                   LPCWSTR Description) = 0;
  virtual HRESULT STDMETHODCALLTYPE UnregisterFilter(const CLSID* pclsidCategory, LPCOLESTR szInstance,
                                                     REFCLSID Filter) = 0;
  virtual HRESULT STDMETHODCALLTYPE RegisterFilter(REFCLSID clsidFilter, LPCWSTR Name, IMoniker** ppMoniker,
                                                   const CLSID* pclsidCategory, LPCOLESTR szInstance,
                                                   const REGFILTER2* prf2) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumMatchingFilters(IEnumMoniker** ppEnum, DWORD dwFlags, BOOL bExactMatch,
                                                        DWORD dwMerit, BOOL bInputNeeded, DWORD cInputTypes,
                                                        const GUID* pInputTypes, const REGPINMEDIUM* pMedIn,
                                                        const CLSID* pPinCategoryIn, BOOL bRender,
                                                        BOOL bOutputNeeded, DWORD cOutputTypes,
                                                        const GUID* pOutputTypes, const REGPINMEDIUM* pMedOut,
                                                        const CLSID* pPinCategoryOut) = 0;
};
