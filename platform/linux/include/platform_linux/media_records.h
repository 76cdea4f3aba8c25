// The media-graph runtime's plain records, laid out as on x86-64 Windows.
#pragma once

#include <cstddef>

#include "platform_linux/com_interfaces.h"
#include "platform_linux/win_types.h"

// A media type. The format block (pbFormat, cbFormat bytes) is task memory.
struct AM_MEDIA_TYPE {
  GUID majortype;
  GUID subtype;
  BOOL bFixedSizeSamples;
  BOOL bTemporalCompression;
  ULONG lSampleSize;
  GUID formattype;
  IUnknown* pUnk;
  ULONG cbFormat;
  BYTE* pbFormat;
};
static_assert(sizeof(AM_MEDIA_TYPE) == 88);
static_assert(offsetof(AM_MEDIA_TYPE, pUnk) == 64 && offsetof(AM_MEDIA_TYPE, pbFormat) == 80);

// The audio format block, packed: it is exactly 18 bytes on the wire.
#pragma pack(push, 1)
struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};
#pragma pack(pop)
typedef WAVEFORMATEX* PWAVEFORMATEX;
typedef WAVEFORMATEX* LPWAVEFORMATEX;
static_assert(sizeof(WAVEFORMATEX) == 18);

struct ALLOCATOR_PROPERTIES {
  LONG cBuffers;
  LONG cbBuffer;
  LONG cbAlign;
  LONG cbPrefix;
};
static_assert(sizeof(ALLOCATOR_PROPERTIES) == 16);
