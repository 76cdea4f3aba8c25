// GenericOutputPin: the pin that sends media samples downstream. On
// connection it makes sure the other pin takes samples through IMemInputPin
// and agrees the allocator that supplies the buffers: the downstream pin's
// own when it can be sized, else a new memory allocator. The derived pin sizes
// the buffers (SizeBuffers). The allocator is committed while the filter is
// active.
//
// References: Allocator and InputPin are counted while the pin is connected
// (InputPin from CheckPeer on); BreakPeer gives both up. The destructor does
// not: the graph disconnects a pin before its filter can go.
//
// Locking: the connection hooks run under StateLock (inside Connect,
// ReceiveConnection and Disconnect), and so do Activate and Deactivate.
// ObtainBuffer, SendSample and the Send* stream events take no lock: they run
// on a streaming thread and read Allocator, InputPin and ConnectedPin, which
// change only while the filter is stopped, and only after Deactivate has
// decommitted the allocator.
#pragma once

#include "framework/generic_pin.h"
#include "platform.h"
#include "threading/section_lock.h"

class GenericOutputPin : public GenericPin {
 public:
  GenericOutputPin(GenericFilter* filter, SectionLock* stateLock, const WCHAR* name) noexcept;
  ~GenericOutputPin() override = default;

  // --- Overridden pin hooks ---

  // Commits the allocator; VFW_E_NO_ALLOCATOR without one.
  HRESULT Activate() override;
  // Decommits the allocator; VFW_E_NO_ALLOCATOR without one.
  HRESULT Deactivate() override;
  // Refuses a pin of our own direction (without asking it for anything
  // more), then takes the other pin's IMemInputPin into InputPin.
  HRESULT CheckPeer(IPin* peer) override;
  // Decommits and gives up Allocator, then gives up InputPin. A Decommit
  // failure is returned at once, and both references stay.
  HRESULT BreakPeer() override;
  // Agrees the allocator (ChooseAllocator) into Allocator.
  HRESULT CompletePeer(IPin* peer) override;

  // --- Output pin hooks, in table order ---

  // Agrees an allocator with `inputPin`: its own if SizeBuffers accepts it
  // and NotifyAllocator takes it back, else CreateDefaultAllocator's. On
  // success `*allocator` holds one counted reference; on failure none, and
  // the second choice's failure is returned.
  virtual HRESULT ChooseAllocator(IMemInputPin* inputPin, IMemAllocator** allocator);
  // Sets the allocator's properties from `request` (the downstream pin's
  // requirements, cbAlign at least 1), which it may change. Success means
  // the allocator can be used.
  virtual HRESULT SizeBuffers(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request) = 0;
  // An empty sample from the allocator (GetBuffer with the same arguments);
  // E_NOINTERFACE without an allocator.
  virtual HRESULT ObtainBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop, DWORD flags);
  // Hands the sample to the downstream pin's Receive; the caller keeps its
  // reference. VFW_E_NOT_CONNECTED without InputPin.
  virtual HRESULT SendSample(IMediaSample* sample);
  // A new platform memory allocator, one counted reference.
  virtual HRESULT CreateDefaultAllocator(IMemAllocator** allocator);
  // Stream events passed to the connected pin; VFW_E_NOT_CONNECTED without
  // one.
  virtual HRESULT SendEndOfStream();
  virtual HRESULT SendBeginFlush();
  virtual HRESULT SendEndFlush();
  virtual HRESULT SendNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

 protected:
  // The agreed allocator, counted; none while unconnected.
  IMemAllocator* Allocator = nullptr;
  // The connected pin's IMemInputPin, counted; none while unconnected.
  IMemInputPin* InputPin = nullptr;

 private:
  // One choice of ChooseAllocator: sizes `allocator` (counted, taken over)
  // and tells the downstream pin; on success it lands in `*chosen`, on
  // failure it is released.
  HRESULT OfferAllocator(IMemInputPin* inputPin, IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request,
                         IMemAllocator** chosen);
};
