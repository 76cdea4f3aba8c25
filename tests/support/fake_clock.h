// A reference clock whose time and GetTime result a test sets.
#pragma once

#include "platform.h"
#include "tests/support/counted_fake.h"

class FakeClock : public CountedFake<IReferenceClock> {
 public:
  FakeClock() : CountedFake(IID_IReferenceClock) {}

  REFERENCE_TIME now = 0;
  // Returned by GetTime; a failure writes nothing.
  HRESULT getTimeResult = S_OK;

  HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME* time) override {
    if (SUCCEEDED(getTimeResult)) {
      *time = now;
    }
    return getTimeResult;
  }
  HRESULT STDMETHODCALLTYPE AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HEVENT, DWORD_PTR*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE, DWORD_PTR*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD_PTR) override { return E_NOTIMPL; }
};
