// TypeEnumerator: IEnumMediaTypes over the types a GenericPin proposes.
//
// It keeps a snapshot of the pin's TypeListVersion; once it moves, Next, a
// non-zero Skip and Clone report VFW_E_ENUM_OUT_OF_SYNC until Reset. Each
// record handed out is task memory that the caller owns with its format block
// and pUnk (DeleteTypeRecord gives them up). It holds one reference on the
// pin (that is, on its filter) for its whole life. Not an UnknownBase.
//
// No lock: one enumerator is used by one thread at a time. It may run inside
// the pin's own Connect, with StateLock held by that thread.
#pragma once

#include "module/module_heap.h"
#include "platform.h"

class GenericPin;

class TypeEnumerator : public IEnumMediaTypes, public ModuleHeapObject {
 public:
  // Starts at position 0 with a fresh snapshot, or where `source` stands.
  // The count starts at 1: the creator's reference.
  TypeEnumerator(GenericPin* pin, const TypeEnumerator* source) noexcept;
  virtual ~TypeEnumerator();

  TypeEnumerator(const TypeEnumerator&) = delete;
  TypeEnumerator& operator=(const TypeEnumerator&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes** clone) override;

 private:
  BOOL OutOfSync() const noexcept;
  // Moves Position on by one and returns the index it stood at; it stays at
  // the largest LONG rather than wrapping.
  LONG TakePosition() noexcept;

  LONG Position = 0;
  GenericPin* const Pin;
  LONG Version = 0;
  LONG volatile RefCount = 1;
};
