#include "framework/type_enumerator.h"

#include <cstring>
#include <limits>

#include "framework/generic_pin.h"
#include "media/owned_media_type.h"

namespace {

// Positions stop here instead of wrapping into negative values.
constexpr LONG kLastPosition = std::numeric_limits<LONG>::max();

}  // namespace

TypeEnumerator::TypeEnumerator(GenericPin* pin, const TypeEnumerator* source) noexcept : Pin(pin) {
  Pin->PinInterface()->AddRef();
  if (source == nullptr) {
    Version = Pin->TypeListVersion();
    return;
  }
  Position = source->Position;
  Version = source->Version;
}

TypeEnumerator::~TypeEnumerator() { Pin->PinInterface()->Release(); }

BOOL TypeEnumerator::OutOfSync() const noexcept { return Pin->TypeListVersion() != Version ? TRUE : FALSE; }

LONG TypeEnumerator::TakePosition() noexcept {
  const LONG index = Position;
  if (Position < kLastPosition) {
    ++Position;
  }
  return index;
}

HRESULT STDMETHODCALLTYPE TypeEnumerator::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  if (IsEqualIID(iid, IID_IEnumMediaTypes) || IsEqualIID(iid, IID_IUnknown)) {
    return ReturnInterface(static_cast<IEnumMediaTypes*>(this), out);
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE TypeEnumerator::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&RefCount)); }

ULONG STDMETHODCALLTYPE TypeEnumerator::Release() {
  const LONG count = InterlockedDecrement(&RefCount);
  if (count == 0) {
    delete this;
  }
  return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE TypeEnumerator::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
  if (types == nullptr) {
    return E_POINTER;
  }
  if (OutOfSync()) {
    return VFW_E_ENUM_OUT_OF_SYNC;
  }
  if (fetched != nullptr) {
    *fetched = 0;
  } else if (count > 1) {
    return E_INVALIDARG;
  }
  ULONG handedOut = 0;
  ULONG remaining = count;
  while (remaining > 0) {
    OwnedMediaType proposed;
    // The position moves on also for an index that yields no type.
    if (Pin->ProposeType(TakePosition(), proposed) != S_OK) {
      break;
    }
    auto* record = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    types[handedOut] = record;
    if (record == nullptr) {
      break;
    }
    // Hand the block and the pUnk reference over to the caller's record;
    // the emptied value then gives up nothing.
    std::memcpy(static_cast<void*>(record), static_cast<const AM_MEDIA_TYPE*>(&proposed), sizeof(AM_MEDIA_TYPE));
    proposed.pbFormat = nullptr;
    proposed.cbFormat = 0;
    proposed.pUnk = nullptr;
    ++handedOut;
    --remaining;
  }
  if (fetched != nullptr) {
    *fetched = handedOut;
  }
  return remaining == 0 ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE TypeEnumerator::Skip(ULONG count) {
  if (count == 0) {
    return S_OK;
  }
  if (OutOfSync()) {
    return VFW_E_ENUM_OUT_OF_SYNC;
  }
  // Saturates rather than wrapping into negative positions.
  const LONGLONG target = static_cast<LONGLONG>(Position) + count;
  Position = target > kLastPosition ? kLastPosition : static_cast<LONG>(target);
  OwnedMediaType probe;
  return Pin->ProposeType(Position - 1, probe) == S_OK ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE TypeEnumerator::Reset() {
  Position = 0;
  Version = Pin->TypeListVersion();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeEnumerator::Clone(IEnumMediaTypes** clone) {
  if (clone == nullptr) {
    return E_POINTER;
  }
  if (OutOfSync()) {
    *clone = nullptr;
    return VFW_E_ENUM_OUT_OF_SYNC;
  }
  TypeEnumerator* copy = new (std::nothrow) TypeEnumerator(Pin, this);
  *clone = copy;
  return copy != nullptr ? S_OK : E_OUTOFMEMORY;
}
