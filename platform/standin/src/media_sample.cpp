#include "media_sample.h"

#include <cstring>

#include "export_guard.h"

namespace standin {

namespace {

HRESULT FlagResult(bool flag) { return flag ? S_OK : S_FALSE; }

}  // namespace

MediaSample::MediaSample(IMemAllocator* owner, BYTE* buffer, LONG size)
    : owner_(owner), buffer_(buffer), size_(size), actualLength_(size) {}

MediaSample::~MediaSample() { ClearMediaType(); }

ULONG MediaSample::Release() {
  const ULONG left = --references_;
  if (left == 0) {
    // No one else holds the sample now, so it is cleared here, outside the
    // allocator's lock (a kept media type's pUnk is released). The allocator
    // may free the sample before ReleaseBuffer returns.
    Reset();
    owner_->ReleaseBuffer(this);
  }
  return left;
}

HRESULT MediaSample::GetPointer(BYTE** buffer) {
  if (buffer == nullptr) {
    return E_POINTER;
  }
  *buffer = buffer_;
  return S_OK;
}

LONG MediaSample::GetSize() { return size_; }

HRESULT MediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  if (start == nullptr || stop == nullptr) {
    return E_POINTER;
  }
  if (!hasStart_) {
    return VFW_E_SAMPLE_TIME_NOT_SET;
  }
  *start = start_;
  if (!hasStop_) {
    *stop = start_ + 1;
    return VFW_S_NO_STOP_TIME;
  }
  *stop = stop_;
  return S_OK;
}

HRESULT MediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) {
  hasStart_ = start != nullptr;
  hasStop_ = hasStart_ && stop != nullptr;
  start_ = hasStart_ ? *start : 0;
  stop_ = hasStop_ ? *stop : 0;
  return S_OK;
}

HRESULT MediaSample::IsSyncPoint() { return FlagResult(syncPoint_); }

HRESULT MediaSample::SetSyncPoint(BOOL isSyncPoint) {
  syncPoint_ = isSyncPoint != FALSE;
  return S_OK;
}

HRESULT MediaSample::IsPreroll() { return FlagResult(preroll_); }

HRESULT MediaSample::SetPreroll(BOOL isPreroll) {
  preroll_ = isPreroll != FALSE;
  return S_OK;
}

LONG MediaSample::GetActualDataLength() { return actualLength_; }

HRESULT MediaSample::SetActualDataLength(LONG length) {
  if (length > size_) {
    return VFW_E_BUFFER_OVERFLOW;
  }
  if (length < 0) {
    return E_INVALIDARG;
  }
  actualLength_ = length;
  return S_OK;
}

HRESULT MediaSample::GetMediaType(AM_MEDIA_TYPE** type) {
  if (type == nullptr) {
    return E_POINTER;
  }
  *type = nullptr;
  if (!hasMediaType_) {
    return S_FALSE;
  }
  auto* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (copy == nullptr) {
    return E_OUTOFMEMORY;
  }
  *copy = mediaType_;
  if (mediaType_.cbFormat > 0) {
    copy->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(mediaType_.cbFormat));
    if (copy->pbFormat == nullptr) {
      CoTaskMemFree(copy);
      return E_OUTOFMEMORY;
    }
    std::memcpy(copy->pbFormat, mediaType_.pbFormat, mediaType_.cbFormat);
  }
  if (copy->pUnk != nullptr) {
    copy->pUnk->AddRef();
  }
  *type = copy;
  return S_OK;
}

HRESULT MediaSample::SetMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) {
    ClearMediaType();
    return S_OK;
  }
  if (type->cbFormat > 0 && type->pbFormat == nullptr) {
    return E_POINTER;
  }
  std::vector<BYTE> format;
  const bool copied = Guarded(false, [&] {
    format.assign(type->pbFormat, type->pbFormat + type->cbFormat);
    return true;
  });
  if (!copied) {
    return E_OUTOFMEMORY;
  }
  if (type->pUnk != nullptr) {
    type->pUnk->AddRef();
  }
  ClearMediaType();
  format_.swap(format);
  mediaType_ = *type;
  mediaType_.pbFormat = format_.empty() ? nullptr : format_.data();
  hasMediaType_ = true;
  return S_OK;
}

HRESULT MediaSample::IsDiscontinuity() { return FlagResult(discontinuity_); }

HRESULT MediaSample::SetDiscontinuity(BOOL discontinuity) {
  discontinuity_ = discontinuity != FALSE;
  return S_OK;
}

HRESULT MediaSample::GetMediaTime(LONGLONG* start, LONGLONG* stop) {
  if (start == nullptr || stop == nullptr) {
    return E_POINTER;
  }
  if (!hasMediaTime_) {
    return VFW_E_MEDIA_TIME_NOT_SET;
  }
  *start = mediaStart_;
  *stop = mediaStop_;
  return S_OK;
}

HRESULT MediaSample::SetMediaTime(LONGLONG* start, LONGLONG* stop) {
  if (start == nullptr) {
    hasMediaTime_ = false;
    return S_OK;
  }
  if (stop == nullptr) {
    return E_POINTER;
  }
  hasMediaTime_ = true;
  mediaStart_ = *start;
  mediaStop_ = *stop;
  return S_OK;
}

void MediaSample::HandOut() { references_.store(1); }

void MediaSample::Reset() {
  actualLength_ = size_;
  syncPoint_ = false;
  preroll_ = false;
  discontinuity_ = false;
  hasStart_ = false;
  hasStop_ = false;
  hasMediaTime_ = false;
  ClearMediaType();
}

ULONG MediaSample::References() const { return references_.load(); }

void MediaSample::ClearMediaType() {
  if (hasMediaType_ && mediaType_.pUnk != nullptr) {
    mediaType_.pUnk->Release();
  }
  hasMediaType_ = false;
  mediaType_ = AM_MEDIA_TYPE{};
  format_.clear();
}

}  // namespace standin
