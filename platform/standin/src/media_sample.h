// One buffer of a MemoryAllocator, handed out as an IMediaSample. The
// allocator owns the sample and its memory; the sample's last Release clears
// its properties and gives it back through the allocator's ReleaseBuffer.
//
// The sample's properties take no lock: one holder uses a sample at a time,
// and a sample changes hands either through the allocator's lock (GetBuffer,
// ReleaseBuffer) or through the holders' own synchronisation. Only the
// reference count is shared, and it is atomic.
#pragma once

#include <vector>

#include "com_object.h"
#include "platform.h"

namespace standin {

// QueryInterface and AddRef are the shared ones; Release is its own, since a
// sample is never deleted by its holders.
class MediaSample final : public ComObject<MediaSample, IMediaSample, IID_IMediaSample> {
 public:
  // `buffer` holds `size` bytes, with the allocator's prefix before it; both
  // outlive the sample. `owner` is not counted: the allocator counts itself
  // for each sample out.
  MediaSample(IMemAllocator* owner, BYTE* buffer, LONG size);
  ~MediaSample();
  MediaSample(const MediaSample&) = delete;
  MediaSample& operator=(const MediaSample&) = delete;

  // The last Release resets the sample and returns it to its allocator.
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetPointer(BYTE** buffer) override;
  LONG STDMETHODCALLTYPE GetSize() override;
  // VFW_E_SAMPLE_TIME_NOT_SET when no time is set; VFW_S_NO_STOP_TIME, with
  // the stop one unit after the start, when only a start was set.
  HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  // No start clears both times; a start without a stop sets the start only.
  HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  HRESULT STDMETHODCALLTYPE IsSyncPoint() override;
  HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL isSyncPoint) override;
  HRESULT STDMETHODCALLTYPE IsPreroll() override;
  HRESULT STDMETHODCALLTYPE SetPreroll(BOOL isPreroll) override;
  LONG STDMETHODCALLTYPE GetActualDataLength() override;
  // VFW_E_BUFFER_OVERFLOW beyond GetSize(); E_INVALIDARG below 0.
  HRESULT STDMETHODCALLTYPE SetActualDataLength(LONG length) override;
  // A task-memory copy that the caller frees; S_FALSE and none when no type
  // is set.
  HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE** type) override;
  // Keeps a copy; none clears it.
  HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE IsDiscontinuity() override;
  HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL discontinuity) override;
  // VFW_E_MEDIA_TIME_NOT_SET when unset.
  HRESULT STDMETHODCALLTYPE GetMediaTime(LONGLONG* start, LONGLONG* stop) override;
  // No start clears the media times; a start needs a stop.
  HRESULT STDMETHODCALLTYPE SetMediaTime(LONGLONG* start, LONGLONG* stop) override;

  // The allocator calls these under its lock. HandOut gives the sample its
  // holder's one reference.
  void HandOut();
  ULONG References() const;

 private:
  // Clears every property for the next holder.
  void Reset();
  void ClearMediaType();

  IMemAllocator* const owner_;
  BYTE* const buffer_;
  const LONG size_;

  LONG actualLength_;
  bool syncPoint_ = false;
  bool preroll_ = false;
  bool discontinuity_ = false;
  bool hasStart_ = false;
  bool hasStop_ = false;
  REFERENCE_TIME start_ = 0;
  REFERENCE_TIME stop_ = 0;
  bool hasMediaTime_ = false;
  LONGLONG mediaStart_ = 0;
  LONGLONG mediaStop_ = 0;
  bool hasMediaType_ = false;
  AM_MEDIA_TYPE mediaType_{};  // pbFormat points into format_; pUnk counted
  std::vector<BYTE> format_;
};

}  // namespace standin
