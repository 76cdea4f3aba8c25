#include "framework/generic_output_pin.h"

GenericOutputPin::GenericOutputPin(GenericFilter* filter, SectionLock* stateLock, const WCHAR* name) noexcept
    : GenericPin(filter, stateLock, name, PINDIR_OUTPUT) {}

// --- Overridden pin hooks ---

HRESULT GenericOutputPin::Activate() {
  if (Allocator == nullptr) {
    return VFW_E_NO_ALLOCATOR;
  }
  return Allocator->Commit();
}

HRESULT GenericOutputPin::Deactivate() {
  if (Allocator == nullptr) {
    return VFW_E_NO_ALLOCATOR;
  }
  return Allocator->Decommit();
}

HRESULT GenericOutputPin::CheckPeer(IPin* peer) {
  // The direction test first: another output pin is refused before it is
  // asked for anything else.
  HRESULT hr = GenericPin::CheckPeer(peer);
  if (FAILED(hr)) {
    return hr;
  }
  // Kept only on success, and only with an interface in hand: a failed
  // query's out-parameter carries no reference to give back.
  IMemInputPin* inputPin = nullptr;
  hr = peer->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&inputPin));
  if (FAILED(hr)) {
    return hr;
  }
  if (inputPin == nullptr) {
    return E_NOINTERFACE;
  }
  InputPin = inputPin;
  return S_OK;
}

HRESULT GenericOutputPin::BreakPeer() {
  if (Allocator != nullptr) {
    // A Decommit failure keeps both references, so that Disconnect can
    // report it and leave the pin connected.
    const HRESULT hr = Allocator->Decommit();
    if (FAILED(hr)) {
      return hr;
    }
    Allocator->Release();
    Allocator = nullptr;
  }
  if (InputPin != nullptr) {
    InputPin->Release();
    InputPin = nullptr;
  }
  return S_OK;
}

HRESULT GenericOutputPin::CompletePeer(IPin*) { return ChooseAllocator(InputPin, &Allocator); }

// --- Output pin hooks ---

HRESULT GenericOutputPin::ChooseAllocator(IMemInputPin* inputPin, IMemAllocator** allocator) {
  if (inputPin == nullptr || allocator == nullptr) {
    return E_POINTER;
  }
  ALLOCATOR_PROPERTIES request = {0, 0, 0, 0};
  *allocator = nullptr;
  // A pin without requirements leaves the zeros; its result tells nothing.
  inputPin->GetAllocatorRequirements(&request);
  if (request.cbAlign == 0) {
    request.cbAlign = 1;
  }

  // First choice: the downstream pin's own allocator. Its failure is not
  // reported.
  IMemAllocator* offered = nullptr;
  if (SUCCEEDED(inputPin->GetAllocator(&offered)) && offered != nullptr &&
      SUCCEEDED(OfferAllocator(inputPin, offered, request, allocator))) {
    return S_OK;
  }

  // Second choice: a new memory allocator, sized from the record as the
  // first SizeBuffers left it.
  IMemAllocator* created = nullptr;
  const HRESULT hr = CreateDefaultAllocator(&created);
  if (FAILED(hr)) {
    return hr;
  }
  if (created == nullptr) {
    return VFW_E_NO_ALLOCATOR;
  }
  return OfferAllocator(inputPin, created, request, allocator);
}

HRESULT GenericOutputPin::OfferAllocator(IMemInputPin* inputPin, IMemAllocator* allocator,
                                         ALLOCATOR_PROPERTIES& request, IMemAllocator** chosen) {
  HRESULT hr = SizeBuffers(allocator, request);
  if (SUCCEEDED(hr)) {
    // Not read-only: the downstream pin may write into the samples it gets.
    hr = inputPin->NotifyAllocator(allocator, FALSE);
  }
  if (FAILED(hr)) {
    allocator->Release();
    return hr;
  }
  *chosen = allocator;
  return S_OK;
}

HRESULT GenericOutputPin::ObtainBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                       DWORD flags) {
  IMemAllocator* const allocator = Allocator;
  if (allocator == nullptr) {
    if (sample != nullptr) {
      *sample = nullptr;
    }
    return E_NOINTERFACE;
  }
  return allocator->GetBuffer(sample, start, stop, flags);
}

HRESULT GenericOutputPin::SendSample(IMediaSample* sample) {
  IMemInputPin* const inputPin = InputPin;
  if (inputPin == nullptr) {
    return VFW_E_NOT_CONNECTED;
  }
  return inputPin->Receive(sample);
}

HRESULT GenericOutputPin::CreateDefaultAllocator(IMemAllocator** allocator) {
  return CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                          reinterpret_cast<void**>(allocator));
}

HRESULT GenericOutputPin::SendEndOfStream() {
  IPin* const peer = ConnectedPin;
  return peer != nullptr ? peer->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT GenericOutputPin::SendBeginFlush() {
  IPin* const peer = ConnectedPin;
  return peer != nullptr ? peer->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT GenericOutputPin::SendEndFlush() {
  IPin* const peer = ConnectedPin;
  return peer != nullptr ? peer->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT GenericOutputPin::SendNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  IPin* const peer = ConnectedPin;
  return peer != nullptr ? peer->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}
