#include "memory_allocator.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>

#include "export_guard.h"
#include "standin_hooks.h"

namespace standin {

namespace {

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

bool IsPowerOfTwo(LONG value) { return value > 0 && (value & (value - 1)) == 0; }

}  // namespace

MemoryAllocator::~MemoryAllocator() { FreeBuffers(); }

HRESULT MemoryAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) {
  if (request == nullptr || actual == nullptr) {
    return E_POINTER;
  }
  std::lock_guard<std::mutex> hold(lock_);
  if (committed_) {
    return VFW_E_ALREADY_COMMITTED;
  }
  if (outstanding_ > 0) {
    return VFW_E_BUFFERS_OUTSTANDING;
  }
  if (!IsPowerOfTwo(request->cbAlign)) {
    return VFW_E_BADALIGN;
  }
  if (request->cBuffers <= 0 || request->cbBuffer <= 0 || request->cbPrefix < 0) {
    return E_INVALIDARG;
  }
  const std::uint64_t size = RoundUp(static_cast<std::uint64_t>(request->cbBuffer), request->cbAlign);
  if (size > static_cast<std::uint64_t>(std::numeric_limits<LONG>::max())) {
    return E_INVALIDARG;
  }
  properties_ = {request->cBuffers, static_cast<LONG>(size), request->cbAlign, request->cbPrefix};
  sized_ = true;
  *actual = properties_;
  return S_OK;
}

HRESULT MemoryAllocator::GetProperties(ALLOCATOR_PROPERTIES* properties) {
  if (properties == nullptr) {
    return E_POINTER;
  }
  std::lock_guard<std::mutex> hold(lock_);
  *properties = properties_;
  return S_OK;
}

HRESULT MemoryAllocator::Commit() {
  std::lock_guard<std::mutex> hold(lock_);
  if (committed_) {
    return S_OK;
  }
  if (!sized_) {
    return VFW_E_SIZENOTSET;
  }
  // Samples still out from before the last Decommit keep their buffers,
  // which are then used again.
  if (samples_.empty()) {
    const HRESULT result = AllocateBuffers();
    if (FAILED(result)) {
      return result;
    }
  }
  committed_ = true;
  return S_OK;
}

HRESULT MemoryAllocator::Decommit() {
  std::lock_guard<std::mutex> hold(lock_);
  if (!committed_) {
    return S_OK;
  }
  committed_ = false;
  ++decommits_;
  if (outstanding_ == 0) {
    FreeBuffers();
  }
  sampleReturned_.notify_all();
  return S_OK;
}

HRESULT MemoryAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME*, REFERENCE_TIME*, DWORD flags) {
  if (sample == nullptr) {
    return E_POINTER;
  }
  *sample = nullptr;
  std::unique_lock<std::mutex> hold(lock_);
  const unsigned long decommitsAtStart = decommits_;
  while (committed_ && free_.empty()) {
    if ((flags & AM_GBF_NOWAIT) != 0) {
      return VFW_E_TIMEOUT;
    }
    ++waiters_;
    sampleReturned_.wait(hold);
    --waiters_;
    if (decommits_ != decommitsAtStart) {
      return VFW_E_NOT_COMMITTED;
    }
  }
  if (!committed_) {
    return VFW_E_NOT_COMMITTED;
  }
  MediaSample* handed = free_.back();
  free_.pop_back();
  ++outstanding_;
  handed->HandOut();
  AddRef();  // the sample's reference, given up in ReleaseBuffer
  *sample = handed;
  return S_OK;
}

HRESULT MemoryAllocator::ReleaseBuffer(IMediaSample* sample) {
  if (sample == nullptr) {
    return E_POINTER;
  }
  {
    std::lock_guard<std::mutex> hold(lock_);
    MediaSample* returned = FindOutstanding(sample);
    if (returned == nullptr || returned->References() != 0) {
      return E_INVALIDARG;
    }
    free_.push_back(returned);  // never reallocates: capacity is reserved
    --outstanding_;
    if (!committed_ && outstanding_ == 0) {
      FreeBuffers();
    } else {
      sampleReturned_.notify_one();
    }
  }
  // Outside the lock: this may be the last reference.
  Release();
  return S_OK;
}

LONG MemoryAllocator::Waiters() {
  std::lock_guard<std::mutex> hold(lock_);
  return waiters_;
}

HRESULT MemoryAllocator::AllocateBuffers() {
  const std::uint64_t alignment = static_cast<std::uint64_t>(properties_.cbAlign);
  const std::uint64_t prefix = RoundUp(static_cast<std::uint64_t>(properties_.cbPrefix), alignment);
  const std::uint64_t stride = prefix + static_cast<std::uint64_t>(properties_.cbBuffer);
  const std::uint64_t count = static_cast<std::uint64_t>(properties_.cBuffers);
  if (count > SIZE_MAX / 2 / stride) {
    return E_OUTOFMEMORY;
  }
  const std::size_t blockAlignment = std::max<std::size_t>(alignment, alignof(std::max_align_t));
  auto* memory = static_cast<BYTE*>(
      ::operator new(static_cast<std::size_t>(count * stride), std::align_val_t(blockAlignment), std::nothrow));
  if (memory == nullptr) {
    return E_OUTOFMEMORY;
  }
  memory_ = memory;
  memoryAlignment_ = blockAlignment;
  const bool made = Guarded(false, [&] {
    samples_.reserve(count);
    free_.reserve(count);
    for (std::uint64_t at = 0; at < count; ++at) {
      samples_.push_back(std::make_unique<MediaSample>(this, memory + at * stride + prefix, properties_.cbBuffer));
      free_.push_back(samples_.back().get());
    }
    return true;
  });
  if (!made) {
    FreeBuffers();
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

void MemoryAllocator::FreeBuffers() {
  free_.clear();
  samples_.clear();
  if (memory_ != nullptr) {
    ::operator delete(memory_, std::align_val_t(memoryAlignment_));
    memory_ = nullptr;
  }
}

MediaSample* MemoryAllocator::FindOutstanding(IMediaSample* given) const {
  for (const std::unique_ptr<MediaSample>& sample : samples_) {
    if (static_cast<IMediaSample*>(sample.get()) == given) {
      const bool isFree = std::find(free_.begin(), free_.end(), sample.get()) != free_.end();
      return isFree ? nullptr : sample.get();
    }
  }
  return nullptr;
}

}  // namespace standin

extern "C" {

// Tells the runtime's allocator from any other by its type, so a test may
// pass whatever allocator a pin holds.
LONG StandinAllocatorWaiters(IMemAllocator* allocator) {
  return standin::Guarded<LONG>(-1, [&] {
    auto* own = dynamic_cast<standin::MemoryAllocator*>(allocator);
    return own != nullptr ? own->Waiters() : -1;
  });
}

}  // extern "C"
