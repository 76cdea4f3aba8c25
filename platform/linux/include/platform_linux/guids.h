// Published interface and class ids. Their storage lives in the stand-in
// runtime, as the platform's does in its import libraries.
#pragma once

#include "platform_linux/win_types.h"

extern "C" {

extern const GUID GUID_NULL;
#define CLSID_NULL GUID_NULL
#define IID_NULL GUID_NULL

extern const IID IID_IUnknown;
extern const IID IID_IClassFactory;
extern const IID IID_IPersist;
extern const IID IID_IMediaFilter;
extern const IID IID_IBaseFilter;
extern const IID IID_IAMovieSetup;
extern const IID IID_IPin;
extern const IID IID_IQualityControl;
extern const IID IID_IEnumPins;
extern const IID IID_IEnumMediaTypes;
extern const IID IID_IMemInputPin;
extern const IID IID_IMemAllocator;
extern const IID IID_IMediaSample;
extern const IID IID_IReferenceClock;
extern const IID IID_IFilterGraph;
extern const IID IID_IGraphBuilder;
extern const IID IID_IMediaControl;
extern const IID IID_IMediaEventSink;
extern const IID IID_IMediaEvent;
extern const IID IID_IMediaEventEx;
extern const IID IID_IFilterMapper;
extern const IID IID_IFilterMapper2;
extern const IID IID_IEnumFilters;
extern const CLSID CLSID_FilterGraph;
extern const CLSID CLSID_MemoryAllocator;
extern const CLSID CLSID_AudioRender;
extern const CLSID CLSID_DSoundRender;
extern const CLSID CLSID_FilterMapper;
extern const CLSID CLSID_FilterMapper2;
extern const CLSID CLSID_SystemClock;
extern const CLSID CLSID_NullRenderer;
extern const CLSID CLSID_LegacyAmFilterCategory;
extern const GUID MEDIATYPE_Audio;
extern const GUID MEDIASUBTYPE_PCM;
extern const GUID FORMAT_WaveFormatEx;
extern const IID IID_IFileSinkFilter;
extern const IID IID_IEnumRegFilters;
extern const IID IID_IDispatch;

#define MEDIASUBTYPE_NULL GUID_NULL

}  // extern "C"
