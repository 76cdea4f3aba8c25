#include "framework/generic_filter.h"

#include <iterator>

#include "framework/generic_pin.h"
#include "framework/pin_enumerator.h"
#include "framework/wide_text.h"
#include "module/atomic_read.h"
#include "threading/scoped_lock.h"

GenericFilter::GenericFilter(IUnknown* outer, SectionLock* stateLock, REFCLSID classId) noexcept
    : UnknownBase(outer), ClassId(classId), StateLock(stateLock) {}

GenericFilter::~GenericFilter() {
  ModuleHeapFree(Name);
  Name = nullptr;
  if (Clock != nullptr) {
    Clock->Release();
    Clock = nullptr;
  }
}

HRESULT STDMETHODCALLTYPE GenericFilter::InnerQueryInterface(REFIID iid, void** out) {
  if (IsEqualIID(iid, IID_IBaseFilter) || IsEqualIID(iid, IID_IMediaFilter) || IsEqualIID(iid, IID_IPersist)) {
    return ReturnInterface(FilterInterface(), out);
  }
  if (IsEqualIID(iid, IID_IAMovieSetup)) {
    return ReturnInterface(static_cast<IAMovieSetup*>(this), out);
  }
  return UnknownBase::InnerQueryInterface(iid, out);
}

FILTER_STATE GenericFilter::CurrentState() const noexcept {
  return static_cast<FILTER_STATE>(AtomicRead(const_cast<LONG volatile*>(&State)));
}

void GenericFilter::SetState(FILTER_STATE state) noexcept { InterlockedExchange(&State, state); }

// --- Filter hooks ---

HRESULT GenericFilter::StreamTimeNow(REFERENCE_TIME* time) {
  if (time == nullptr) {
    return E_POINTER;
  }
  if (Clock == nullptr) {
    return VFW_E_NO_CLOCK;
  }
  const HRESULT hr = Clock->GetTime(time);
  if (FAILED(hr)) {
    return hr;
  }
  *time -= StartTime;
  return S_OK;
}

LONG GenericFilter::PinListVersion() { return PinVersion; }

const FilterSetupData* GenericFilter::SetupData() { return nullptr; }

HRESULT GenericFilter::NotifyGraphEvent(LONG code, LONG_PTR param1, LONG_PTR param2) {
  IMediaEventSink* sink = EventSink;
  if (sink == nullptr) {
    return E_NOTIMPL;
  }
  if (code == EC_COMPLETE) {
    param2 = reinterpret_cast<LONG_PTR>(FilterInterface());
  }
  return sink->Notify(code, param1, param2);
}

// --- IBaseFilter ---

HRESULT STDMETHODCALLTYPE GenericFilter::GetClassID(CLSID* classId) {
  if (classId == nullptr) {
    return E_POINTER;
  }
  *classId = ClassId;
  return S_OK;
}

// State changes visit the connected pins in index order with StateLock held,
// and write State only after the hooks ran, so each hook sees the state that
// the filter is leaving.

HRESULT STDMETHODCALLTYPE GenericFilter::Stop() {
  ScopedLock lock(*StateLock);
  HRESULT firstFailure = S_OK;
  if (CurrentState() != State_Stopped) {
    // Every connected pin is told, whatever the others answer.
    const LONG count = PinCount();
    for (LONG index = 0; index < count; ++index) {
      GenericPin* pin = PinAt(index);
      if (pin == nullptr || !pin->IsConnected()) {
        continue;
      }
      const HRESULT hr = pin->Deactivate();
      if (FAILED(hr) && SUCCEEDED(firstFailure)) {
        firstFailure = hr;
      }
    }
  }
  SetState(State_Stopped);
  return firstFailure;
}

HRESULT STDMETHODCALLTYPE GenericFilter::Pause() {
  ScopedLock lock(*StateLock);
  if (CurrentState() == State_Stopped) {
    // The first failure ends the change; pins already activated stay so.
    const LONG count = PinCount();
    for (LONG index = 0; index < count; ++index) {
      GenericPin* pin = PinAt(index);
      if (pin == nullptr || !pin->IsConnected()) {
        continue;
      }
      const HRESULT hr = pin->Activate();
      if (FAILED(hr)) {
        return hr;
      }
    }
  }
  SetState(State_Paused);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GenericFilter::Run(REFERENCE_TIME start) {
  ScopedLock lock(*StateLock);
  StartTime = start;
  if (CurrentState() == State_Stopped) {
    // Through the interface, so that a derived Pause is the one that runs.
    const HRESULT hr = FilterInterface()->Pause();
    if (FAILED(hr)) {
      return hr;
    }
  }
  if (CurrentState() != State_Running) {
    const LONG count = PinCount();
    for (LONG index = 0; index < count; ++index) {
      GenericPin* pin = PinAt(index);
      if (pin == nullptr || !pin->IsConnected()) {
        continue;
      }
      const HRESULT hr = pin->StartRun(start);
      if (FAILED(hr)) {
        return hr;
      }
    }
  }
  SetState(State_Running);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GenericFilter::GetState(DWORD, FILTER_STATE* state) {
  if (state == nullptr) {
    return E_POINTER;
  }
  // Every change completes before it returns, so there is nothing to wait for.
  *state = CurrentState();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GenericFilter::SetSyncSource(IReferenceClock* clock) {
  ScopedLock lock(*StateLock);
  // The new clock is referenced before the old one goes, so giving the
  // current clock again keeps it alive.
  if (clock != nullptr) {
    clock->AddRef();
  }
  if (Clock != nullptr) {
    Clock->Release();
  }
  Clock = clock;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GenericFilter::GetSyncSource(IReferenceClock** clock) {
  if (clock == nullptr) {
    return E_POINTER;
  }
  ScopedLock lock(*StateLock);
  if (Clock != nullptr) {
    Clock->AddRef();
  }
  *clock = Clock;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GenericFilter::EnumPins(IEnumPins** enumerator) {
  if (enumerator == nullptr) {
    return E_POINTER;
  }
  // Its count of 1 is the caller's reference.
  PinEnumerator* created = new (std::nothrow) PinEnumerator(this, nullptr);
  *enumerator = created;
  return created != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE GenericFilter::QueryFilterInfo(FILTER_INFO* info) {
  if (info == nullptr) {
    return E_POINTER;
  }
  // Not StateLock: a filter downstream may ask from our streaming thread
  // while a state change holds StateLock and waits for that thread.
  ScopedLock lock(MembershipLock);
  CopyWideBounded(info->achName, std::size(info->achName), Name);
  info->pGraph = Graph;
  if (Graph != nullptr) {
    Graph->AddRef();
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GenericFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) {
  ScopedLock lock(*StateLock);
  IMediaEventSink* sink = nullptr;
  if (graph != nullptr) {
    if (SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink))) && sink != nullptr) {
      // The graph keeps its sink alive; holding a reference would keep the
      // graph alive through its own filter.
      sink->Release();
    } else {
      sink = nullptr;
    }
  }
  EventSink = sink;
  // A name that cannot be copied leaves the filter nameless; the join stands.
  WCHAR* newName = DuplicateWide(name);
  WCHAR* oldName = nullptr;
  {
    ScopedLock membership(MembershipLock);
    Graph = graph;
    oldName = Name;
    Name = newName;
  }
  ModuleHeapFree(oldName);
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GenericFilter::QueryVendorInfo(LPWSTR*) { return E_NOTIMPL; }

// --- IAMovieSetup ---

HRESULT STDMETHODCALLTYPE GenericFilter::Register() { return ChangeRegistration(TRUE); }

HRESULT STDMETHODCALLTYPE GenericFilter::Unregister() { return ChangeRegistration(FALSE); }

HRESULT GenericFilter::ChangeRegistration(BOOL registering) {
  const FilterSetupData* setup = SetupData();
  if (setup == nullptr) {
    return S_FALSE;
  }
  // Only an initialisation of our own is undone: a caller already in another
  // apartment (RPC_E_CHANGED_MODE) keeps its COM.
  const HRESULT initialised = CoInitialize(nullptr);
  IFilterMapper* mapper = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                                reinterpret_cast<void**>(&mapper));
  if (SUCCEEDED(hr)) {
    hr = RegisterWithMapper(*setup, mapper, registering);
    mapper->Release();
  }
  CoFreeUnusedLibraries();
  if (initialised == S_OK || initialised == S_FALSE) {
    CoUninitialize();
  }
  if (registering) {
    return S_OK;
  }
  return hr == NothingToRemove ? S_OK : hr;
}
