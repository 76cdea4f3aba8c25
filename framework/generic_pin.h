// GenericPin: the base of every pin. It answers IPin and IQualityControl for a
// pin owned by a GenericFilter and runs the connection protocol on both sides
// (Connect, which searches for a media type, and ReceiveConnection).
//
// Lifetime: a pin has no count of its own. AddRef and Release on any of its
// interfaces land on the filter's IBaseFilter, and the filter class that
// created the pin destroys it.
//
// Locking: StateLock is the filter's one re-entrant lock. Connect,
// ReceiveConnection, Disconnect, ConnectionMediaType and SetSink hold it for
// their whole run, also while they call the other pin and the hooks, so a hook
// may take it again. ConnectedPin and ConnectionType are written only under
// it. The filter calls Activate, Deactivate and StartRun with it held.
#pragma once

#include "media/owned_media_type.h"
#include "module/unknown_base.h"
#include "platform.h"
#include "threading/section_lock.h"

class GenericFilter;

class GenericPin : public UnknownBase,
                   public ForwardingUnknown<GenericPin, IPin>,
                   public ForwardingUnknown<GenericPin, IQualityControl> {
 public:
  // `name` is copied (none, or a failed copy, leaves the pin nameless); the
  // filter and the lock are not owned and must outlive the pin.
  GenericPin(GenericFilter* filter, SectionLock* stateLock, const WCHAR* name, PIN_DIRECTION direction) noexcept;
  ~GenericPin() override;

  // Answers IPin and IQualityControl, then the base's ids.
  HRESULT STDMETHODCALLTYPE InnerQueryInterface(REFIID iid, void** out) override;
  // Count on the filter's IBaseFilter.
  ULONG STDMETHODCALLTYPE InnerAddRef() override;
  ULONG STDMETHODCALLTYPE InnerRelease() override;

  // --- Pin hooks, in table order ---

  // Version of the list that ProposeType describes; a new value means that
  // ProposeType may answer differently. Plain read, no lock.
  virtual LONG TypeListVersion();
  // The filter leaves State_Stopped; a failure ends its Pause.
  virtual HRESULT Activate();
  // The filter returns to State_Stopped; a failure is reported by its Stop,
  // which stops all the same.
  virtual HRESULT Deactivate();
  // The filter starts to run; a failure ends its Run.
  virtual HRESULT StartRun(REFERENCE_TIME start);
  // S_OK accepts the type for a connection, anything else refuses it. Called
  // with complete types and with whatever record another pin offers; the
  // reference is not kept. QueryAccept calls it without StateLock.
  virtual HRESULT CheckType(const AM_MEDIA_TYPE& type) = 0;
  // Adopts the type as the connection's type (default: copy into
  // ConnectionType; E_OUTOFMEMORY when that copy fails).
  virtual HRESULT ApplyType(const AM_MEDIA_TYPE& type);
  // Vets the other pin before an attempt; a failure ends the attempt. The
  // default refuses a pin that answers our own direction.
  virtual HRESULT CheckPeer(IPin* peer);
  // Undoes what CheckPeer and CompletePeer set up. Must be safe when nothing
  // was set up and when called twice in a row.
  virtual HRESULT BreakPeer();
  // Finishes a connection once the type is agreed and the other pin accepted
  // it. Must return exactly S_OK on success.
  virtual HRESULT CompletePeer(IPin* peer);
  // Writes the type at `position` into `type`. S_OK exactly when a type was
  // written; any other result means there is none at that position.
  virtual HRESULT ProposeType(LONG position, OwnedMediaType& type);

  // --- IPin ---
  HRESULT STDMETHODCALLTYPE Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE Disconnect() override;
  HRESULT STDMETHODCALLTYPE ConnectedTo(IPin** pin) override;
  HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO* info) override;
  HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION* direction) override;
  HRESULT STDMETHODCALLTYPE QueryId(LPWSTR* id) override;
  HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE* type) override;
  HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes** enumerator) override;
  HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin** pins, ULONG* count) override;
  HRESULT STDMETHODCALLTYPE EndOfStream() override;
  HRESULT STDMETHODCALLTYPE BeginFlush() override;
  HRESULT STDMETHODCALLTYPE EndFlush() override;
  HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // --- IQualityControl ---
  HRESULT STDMETHODCALLTYPE Notify(IBaseFilter* sender, Quality quality) override;
  HRESULT STDMETHODCALLTYPE SetSink(IQualityControl* sink) override;

  // This pin's IPin, without a reference added.
  IPin* PinInterface() noexcept { return static_cast<IPin*>(this); }
  // TRUE while ConnectedPin is set. Read under StateLock for a stable answer.
  BOOL IsConnected() const noexcept { return ConnectedPin != nullptr ? TRUE : FALSE; }

 protected:
  // TRUE when the owning filter is in State_Stopped (a pin without a filter
  // counts as stopped). Call with StateLock held.
  BOOL FilterIsStopped() const noexcept;

  // Owned copy of the name (module heap), or none.
  WCHAR* Name = nullptr;
  // The other end's IPin, one counted reference; none while unconnected.
  IPin* ConnectedPin = nullptr;
  const PIN_DIRECTION Direction;
  SectionLock* const StateLock;
  // Not counted.
  GenericFilter* const Filter;
  // Not counted.
  IQualityControl* QualitySink = nullptr;
  LONG TypeVersion = 1;
  // The current connection's type (guarded by StateLock).
  OwnedMediaType ConnectionType;
  // The values of the last NewSegment.
  REFERENCE_TIME SegmentStart = 0;
  REFERENCE_TIME SegmentStop = 0x7FFFFFFFFFFFFFFF;
  double SegmentRate = 1.0;

 private:
  HRESULT RefuseConnectionChange() const;
  HRESULT NegotiateType(IPin* receivePin, const AM_MEDIA_TYPE* type);
  HRESULT TryTypeList(IPin* receivePin, const AM_MEDIA_TYPE* pattern, IEnumMediaTypes* types);
  HRESULT TryOneType(IPin* receivePin, const AM_MEDIA_TYPE& type);
  // Checks the other pin and the type, as both Connect and ReceiveConnection
  // start an attempt; BreakPeer has run when this fails.
  HRESULT VetPeerAndType(IPin* peer, const AM_MEDIA_TYPE& type);
  // Gives up ConnectedPin's reference and forgets it.
  void DropConnectedPin() noexcept;
};
