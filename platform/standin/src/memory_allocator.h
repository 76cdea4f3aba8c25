// CLSID_MemoryAllocator: a fixed set of equal buffers in one block, handed
// out as MediaSamples.
//
// Lifecycle: SetProperties (only while decommitted with every sample back)
// fixes the set; Commit allocates it; GetBuffer hands out free samples and,
// while committed, waits for one; Decommit fails every waiting and later
// GetBuffer, and the buffers go once the last sample is back. Each sample out
// holds a reference on the allocator, so the allocator outlives its samples.
//
// Lock rule: one mutex guards everything but the reference count (atomic).
// Nothing outside the allocator is called with the mutex held: a sample
// clears itself before it comes back, and the allocator's own last Release
// runs after the mutex is let go.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "com_object.h"
#include "media_sample.h"
#include "platform.h"

namespace standin {

// Create is the runtime class's creation function.
class MemoryAllocator final : public ComObject<MemoryAllocator, IMemAllocator, IID_IMemAllocator> {
 public:
  // Grants the count, the prefix and the size rounded up to the alignment.
  HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
  HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES* properties) override;
  HRESULT STDMETHODCALLTYPE Commit() override;
  HRESULT STDMETHODCALLTYPE Decommit() override;
  // The times are hints and are not used. AM_GBF_NOWAIT answers
  // VFW_E_TIMEOUT instead of waiting.
  HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                      DWORD flags) override;
  // Takes back a sample of this allocator whose last reference is gone; the
  // sample's own Release calls it. E_INVALIDARG for anything else.
  HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample* sample) override;

  // The threads waiting in GetBuffer right now (a test hook).
  LONG Waiters();

 private:
  friend ComObject;
  MemoryAllocator() = default;
  ~MemoryAllocator();

  // Both with lock_ held.
  HRESULT AllocateBuffers();
  void FreeBuffers();
  MediaSample* FindOutstanding(IMediaSample* given) const;

  std::mutex lock_;
  std::condition_variable sampleReturned_;
  ALLOCATOR_PROPERTIES properties_{};
  bool sized_ = false;
  bool committed_ = false;
  // Counts Decommit calls, so that a waiter fails even when a Commit follows
  // before it wakes.
  unsigned long decommits_ = 0;
  BYTE* memory_ = nullptr;
  std::size_t memoryAlignment_ = 0;
  std::vector<std::unique_ptr<MediaSample>> samples_;
  std::vector<MediaSample*> free_;  // capacity reserved for every sample
  LONG outstanding_ = 0;
  LONG waiters_ = 0;
};

}  // namespace standin
