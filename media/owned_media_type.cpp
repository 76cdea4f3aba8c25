#include "media/owned_media_type.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

OwnedMediaType::OwnedMediaType() : AM_MEDIA_TYPE() { ResetTypeRecord(*this); }

OwnedMediaType::~OwnedMediaType() { ReleaseTypeRecord(*this); }

HRESULT OwnedMediaType::Assign(const AM_MEDIA_TYPE& source) {
  if (&source == static_cast<const AM_MEDIA_TYPE*>(this)) {
    return S_OK;
  }
  ReleaseTypeRecord(*this);
  return CopyTypeRecord(*this, source);
}

BOOL OwnedMediaType::SameType(const AM_MEDIA_TYPE& other) const {
  return IsEqualGUID(majortype, other.majortype) && IsEqualGUID(subtype, other.subtype) &&
         IsEqualGUID(formattype, other.formattype) && SameFormatBlock(*this, other);
}

void OwnedMediaType::SetMajorTypeId(REFGUID id) { majortype = id; }

void OwnedMediaType::SetSubtypeId(REFGUID id) { subtype = id; }

void OwnedMediaType::SetFormatTypeId(REFGUID id) { formattype = id; }

void OwnedMediaType::SetTemporalCompressionFlag(BOOL temporalCompression) {
  bTemporalCompression = temporalCompression;
}

BYTE* OwnedMediaType::EnsureFormatBlock(ULONG size) {
  if (size == 0) {
    DropFormatBlock();
    return nullptr;
  }
  if (size == cbFormat) {
    return pbFormat;
  }
  BYTE* block = ReplaceFormatBlock(size, nullptr, 0);
  if (block == nullptr && size < cbFormat) {
    return pbFormat;
  }
  return block;
}

BOOL OwnedMediaType::StoreFormatBlock(const BYTE* bytes, ULONG size) {
  if (size == 0) {
    DropFormatBlock();
    return TRUE;
  }
  const ULONG carried = BytesBeforeBlockEnd(bytes, size);
  if (size != cbFormat && ReplaceFormatBlock(size, bytes, carried) != nullptr) {
    return TRUE;
  }
  if (size > cbFormat) {
    return FALSE;
  }
  // The same size, or a smaller block could not be had: keep the current
  // block, as EnsureFormatBlock does, and store the bytes at its start.
  std::memmove(pbFormat, bytes, carried);
  std::memset(pbFormat + carried, 0, size - carried);
  return TRUE;
}

void OwnedMediaType::DropFormatBlock() {
  if (cbFormat != 0) {
    CoTaskMemFree(pbFormat);
  }
  cbFormat = 0;
  pbFormat = nullptr;
}

BYTE* OwnedMediaType::ReplaceFormatBlock(ULONG size, const BYTE* from, ULONG carried) {
  auto* block = static_cast<BYTE*>(CoTaskMemAlloc(size));
  if (block == nullptr) {
    return nullptr;
  }
  if (carried != 0) {
    std::memcpy(block, from, carried);
  }
  std::memset(block + carried, 0, size - carried);
  DropFormatBlock();
  pbFormat = block;
  cbFormat = size;
  return block;
}

ULONG OwnedMediaType::BytesBeforeBlockEnd(const BYTE* bytes, ULONG size) const {
  const auto start = reinterpret_cast<std::uintptr_t>(pbFormat);
  const auto at = reinterpret_cast<std::uintptr_t>(bytes);
  if (cbFormat == 0 || at < start || at >= start + cbFormat) {
    return size;
  }
  return std::min<ULONG>(size, static_cast<ULONG>(start + cbFormat - at));
}
