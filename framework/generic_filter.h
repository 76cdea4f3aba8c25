// GenericFilter: the base of every filter. It answers IBaseFilter (and with it
// IMediaFilter and IPersist) and IAMovieSetup: the class id, the stopped,
// paused and running states with the pin hooks that go with each change, the
// reference clock, graph membership and name, and pin enumeration.
//
// The filter owns neither its pins nor its lock: a derived filter supplies the
// pins through PinCount and PinAt (and FindPin), and hands in the SectionLock
// that guards the filter and all its pins.
//
// Locking: Stop, Pause, Run, SetSyncSource, GetSyncSource and JoinFilterGraph
// hold StateLock for their whole run, including while pin hooks run; the lock
// is re-entrant, so hooks may take it again but must not wait for another
// thread that needs it. Name and Graph are also guarded by MembershipLock, a
// leaf lock (taken last, never held while anything else is called but the
// graph's AddRef), so that QueryFilterInfo can answer any thread, the
// streaming one included, without StateLock. Graph membership holds no
// references: the graph owns the filter, not the other way round.
#pragma once

#include "module/filter_setup.h"
#include "module/unknown_base.h"
#include "platform.h"
#include "threading/section_lock.h"

class GenericPin;

class GenericFilter : public UnknownBase,
                      public ForwardingUnknown<GenericFilter, IBaseFilter>,
                      public ForwardingUnknown<GenericFilter, IAMovieSetup> {
 public:
  // `stateLock` is owned by the derived filter and must outlive this object.
  GenericFilter(IUnknown* outer, SectionLock* stateLock, REFCLSID classId) noexcept;
  ~GenericFilter() override;

  // Answers IBaseFilter, IMediaFilter, IPersist and IAMovieSetup, then the
  // base's ids.
  HRESULT STDMETHODCALLTYPE InnerQueryInterface(REFIID iid, void** out) override;

  // --- Filter hooks, in table order ---

  // The clock's time less the start time last given to Run. VFW_E_NO_CLOCK
  // without a clock. No lock.
  virtual HRESULT StreamTimeNow(REFERENCE_TIME* time);
  // A new value means PinCount or PinAt may answer differently. Plain read.
  virtual LONG PinListVersion();
  virtual LONG PinCount() = 0;
  // The pin at `index`, no reference added; none outside 0..PinCount()-1.
  virtual GenericPin* PinAt(LONG index) = 0;
  // The registration record for IAMovieSetup, or none (the default).
  virtual const FilterSetupData* SetupData();

  // Passes an event to the graph's event sink; E_NOTIMPL while there is none.
  // EC_COMPLETE carries this filter's IBaseFilter as its second parameter.
  // No lock: the streaming thread calls it.
  HRESULT NotifyGraphEvent(LONG code, LONG_PTR param1, LONG_PTR param2);

  // --- IPersist / IMediaFilter / IBaseFilter ---
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override;
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE Pause() override;
  HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
  HRESULT STDMETHODCALLTYPE GetState(DWORD timeoutMilliseconds, FILTER_STATE* state) override;
  HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock* clock) override;
  HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock** clock) override;
  HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins** enumerator) override;
  // FindPin is left to the derived filter.
  HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO* info) override;
  HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR* vendorInfo) override;

  // --- IAMovieSetup ---
  HRESULT STDMETHODCALLTYPE Register() override;
  HRESULT STDMETHODCALLTYPE Unregister() override;

  // This filter's IBaseFilter, without a reference added.
  IBaseFilter* FilterInterface() noexcept { return static_cast<IBaseFilter*>(this); }
  // The current state, read without a lock (GetState answers from it). Read
  // under StateLock for an answer that holds while the caller acts on it.
  FILTER_STATE CurrentState() const noexcept;
  SectionLock* FilterLock() const noexcept { return StateLock; }

 protected:
  // One counted reference, or none.
  IReferenceClock* Clock = nullptr;
  REFERENCE_TIME StartTime = 0;
  const CLSID ClassId;
  SectionLock* const StateLock;
  // Owned copy (module heap), or none. Written under StateLock and
  // MembershipLock.
  WCHAR* Name = nullptr;
  // Neither is counted. Graph is written under StateLock and MembershipLock.
  IFilterGraph* Graph = nullptr;
  IMediaEventSink* EventSink = nullptr;
  LONG PinVersion = 1;

 private:
  SectionLock MembershipLock;
  // Written under StateLock, by interlocked exchange, so that GetState may
  // read it from any thread.
  LONG volatile State = State_Stopped;

  void SetState(FILTER_STATE state) noexcept;
  // Registers (TRUE) or unregisters (FALSE) SetupData through the older
  // filter mapper; S_FALSE when there is no record.
  HRESULT ChangeRegistration(BOOL registering);
};
