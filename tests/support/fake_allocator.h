// An allocator that answers what a test sets and records what it was asked.
// It lives on the test's stack and counts references instead of freeing
// itself; it hands out no samples.
#pragma once

#include <vector>

#include "platform.h"
#include "tests/support/counted_fake.h"

class FakeAllocator : public CountedFake<IMemAllocator> {
 public:
  FakeAllocator() : CountedFake(IID_IMemAllocator) {}

  // --- What it answers ---
  // On success the request is granted as it is.
  HRESULT setPropertiesResult = S_OK;
  HRESULT commitResult = S_OK;
  HRESULT decommitResult = S_OK;
  HRESULT getBufferResult = VFW_E_NOT_COMMITTED;

  // --- What it saw ---
  std::vector<ALLOCATOR_PROPERTIES> requests;
  int commits = 0;
  int decommits = 0;
  int getBufferCalls = 0;
  DWORD lastFlags = 0;

  HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override {
    requests.push_back(*request);
    if (SUCCEEDED(setPropertiesResult)) {
      *actual = *request;
    }
    return setPropertiesResult;
  }
  HRESULT STDMETHODCALLTYPE GetProperties(ALLOCATOR_PROPERTIES*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Commit() override {
    ++commits;
    return commitResult;
  }
  HRESULT STDMETHODCALLTYPE Decommit() override {
    ++decommits;
    return decommitResult;
  }
  HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample** sample, REFERENCE_TIME*, REFERENCE_TIME*, DWORD flags) override {
    ++getBufferCalls;
    lastFlags = flags;
    *sample = nullptr;
    return getBufferResult;
  }
  HRESULT STDMETHODCALLTYPE ReleaseBuffer(IMediaSample*) override { return E_NOTIMPL; }
};
