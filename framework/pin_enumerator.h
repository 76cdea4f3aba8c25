// PinEnumerator: IEnumPins over a GenericFilter's pins.
//
// It keeps a snapshot of the filter's PinListVersion and PinCount. When the
// version moves, Next starts again from the first pin but never hands out a
// pin twice (ReturnedPins remembers them until Reset), while Skip and Clone
// report VFW_E_ENUM_OUT_OF_SYNC. It holds one reference on the filter for its
// whole life. Not an UnknownBase: its own count, no aggregation, not counted
// in LiveObjectCount.
//
// No lock: one enumerator is used by one thread at a time. The filter's hooks
// take StateLock themselves where they need it.
#pragma once

#include "framework/pointer_list.h"
#include "module/module_heap.h"
#include "platform.h"

class GenericFilter;

class PinEnumerator : public IEnumPins, public ModuleHeapObject {
 public:
  // Starts with a fresh snapshot, or continues where `source` stands. The
  // count starts at 1: the creator's reference.
  PinEnumerator(GenericFilter* filter, const PinEnumerator* source) noexcept;
  virtual ~PinEnumerator();

  PinEnumerator(const PinEnumerator&) = delete;
  PinEnumerator& operator=(const PinEnumerator&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin** pins, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumPins** clone) override;

 private:
  void TakeSnapshot() noexcept;
  BOOL OutOfSync() const noexcept;

  LONG Position = 0;
  LONG PinTotal = 0;
  GenericFilter* const Filter;
  LONG Version = 0;
  LONG volatile RefCount = 1;
  // The pins handed out since construction or Reset; no references held.
  PointerList ReturnedPins;
};
