#include "framework/generic_pin.h"

#include <iterator>

#include "framework/generic_filter.h"
#include "framework/type_enumerator.h"
#include "framework/wide_text.h"
#include "media/type_record.h"
#include "threading/scoped_lock.h"

namespace {

// Failures that say no more than "not this type"; any other failure tells the
// caller something and is kept as the negotiation's answer.
bool IsUntelling(HRESULT hr) { return hr == E_FAIL || hr == E_INVALIDARG || hr == VFW_E_TYPE_NOT_ACCEPTED; }

// A refusal from CheckType as a connection reports it.
HRESULT RefusalOf(HRESULT checked) {
  if (SUCCEEDED(checked) || checked == E_FAIL || checked == E_INVALIDARG) {
    return VFW_E_TYPE_NOT_ACCEPTED;
  }
  return checked;
}

}  // namespace

GenericPin::GenericPin(GenericFilter* filter, SectionLock* stateLock, const WCHAR* name,
                       PIN_DIRECTION direction) noexcept
    : UnknownBase(nullptr), Name(DuplicateWide(name)), Direction(direction), StateLock(stateLock), Filter(filter) {}

GenericPin::~GenericPin() {
  // Destruction does not disconnect: a connected peer holds a reference on
  // this pin's filter, so the graph breaks both ends before the pin can go.
  ModuleHeapFree(Name);
  Name = nullptr;
}

HRESULT STDMETHODCALLTYPE GenericPin::InnerQueryInterface(REFIID iid, void** out) {
  if (IsEqualIID(iid, IID_IPin)) {
    return ReturnInterface(PinInterface(), out);
  }
  if (IsEqualIID(iid, IID_IQualityControl)) {
    return ReturnInterface(static_cast<IQualityControl*>(this), out);
  }
  return UnknownBase::InnerQueryInterface(iid, out);
}

ULONG STDMETHODCALLTYPE GenericPin::InnerAddRef() {
  return Filter != nullptr ? Filter->FilterInterface()->AddRef() : UnknownBase::InnerAddRef();
}

ULONG STDMETHODCALLTYPE GenericPin::InnerRelease() {
  return Filter != nullptr ? Filter->FilterInterface()->Release() : UnknownBase::InnerRelease();
}

BOOL GenericPin::FilterIsStopped() const noexcept {
  return (Filter == nullptr || Filter->CurrentState() == State_Stopped) ? TRUE : FALSE;
}

void GenericPin::DropConnectedPin() noexcept {
  if (ConnectedPin != nullptr) {
    ConnectedPin->Release();
    ConnectedPin = nullptr;
  }
}

// --- Pin hooks: the generic behaviour ---

LONG GenericPin::TypeListVersion() { return TypeVersion; }

HRESULT GenericPin::Activate() { return S_OK; }

HRESULT GenericPin::Deactivate() { return S_OK; }

HRESULT GenericPin::StartRun(REFERENCE_TIME) { return S_OK; }

HRESULT GenericPin::ApplyType(const AM_MEDIA_TYPE& type) {
  return SUCCEEDED(ConnectionType.Assign(type)) ? S_OK : E_OUTOFMEMORY;
}

HRESULT GenericPin::CheckPeer(IPin* peer) {
  // Starts at the other direction, so a pin that fails QueryDirection
  // without answering passes.
  PIN_DIRECTION answer = Direction == PINDIR_INPUT ? PINDIR_OUTPUT : PINDIR_INPUT;
  peer->QueryDirection(&answer);
  return answer == Direction ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT GenericPin::BreakPeer() { return S_OK; }

HRESULT GenericPin::CompletePeer(IPin*) { return S_OK; }

HRESULT GenericPin::ProposeType(LONG, OwnedMediaType&) { return E_UNEXPECTED; }

// --- Connection protocol ---

// A new connection needs an unconnected pin of a stopped filter; the
// connection test comes first. Call with StateLock held.
HRESULT GenericPin::RefuseConnectionChange() const {
  if (ConnectedPin != nullptr) {
    return VFW_E_ALREADY_CONNECTED;
  }
  return FilterIsStopped() ? S_OK : VFW_E_NOT_STOPPED;
}

HRESULT STDMETHODCALLTYPE GenericPin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
  if (receivePin == nullptr) {
    return E_POINTER;
  }
  ScopedLock lock(*StateLock);
  HRESULT hr = RefuseConnectionChange();
  if (FAILED(hr)) {
    return hr;
  }
  hr = NegotiateType(receivePin, type);
  if (SUCCEEDED(hr)) {
    return S_OK;
  }
  BreakPeer();
  return hr;
}

// A complete type is tried alone. A pattern (or none) is searched for over
// the receiving pin's types, then over our own; the later pass's telling
// failure is the answer.
HRESULT GenericPin::NegotiateType(IPin* receivePin, const AM_MEDIA_TYPE* type) {
  if (type != nullptr && !IsPartialType(*type)) {
    return TryOneType(receivePin, *type);
  }
  HRESULT result = VFW_E_NO_ACCEPTABLE_TYPES;
  IPin* const sources[] = {receivePin, PinInterface()};
  for (IPin* source : sources) {
    IEnumMediaTypes* types = nullptr;
    if (FAILED(source->EnumMediaTypes(&types)) || types == nullptr) {
      continue;
    }
    const HRESULT hr = TryTypeList(receivePin, type, types);
    types->Release();
    if (SUCCEEDED(hr)) {
      return S_OK;
    }
    if (!IsUntelling(hr)) {
      result = hr;
    }
  }
  return result;
}

// Within one list the first telling failure is kept.
HRESULT GenericPin::TryTypeList(IPin* receivePin, const AM_MEDIA_TYPE* pattern, IEnumMediaTypes* types) {
  HRESULT hr = types->Reset();
  if (FAILED(hr)) {
    return hr;
  }
  HRESULT held = S_OK;
  AM_MEDIA_TYPE* record = nullptr;
  ULONG fetched = 0;
  if (types->Next(1, &record, &fetched) != S_OK) {
    return VFW_E_NO_ACCEPTABLE_TYPES;
  }
  for (;;) {
    HRESULT outcome = VFW_E_NO_ACCEPTABLE_TYPES;
    // A list that hands out none in place of a record is skipped over.
    if (record != nullptr && (pattern == nullptr || MatchesPattern(*record, *pattern))) {
      outcome = TryOneType(receivePin, *record);
      if (FAILED(outcome) && SUCCEEDED(held) && !IsUntelling(outcome)) {
        held = outcome;
      }
    }
    DeleteTypeRecord(record);
    // Any success means the pin is connected: searching on would connect it
    // a second time.
    if (SUCCEEDED(outcome)) {
      return S_OK;
    }
    record = nullptr;
    if (types->Next(1, &record, &fetched) != S_OK) {
      break;
    }
  }
  return FAILED(held) ? held : VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT GenericPin::VetPeerAndType(IPin* peer, const AM_MEDIA_TYPE& type) {
  HRESULT hr = CheckPeer(peer);
  if (FAILED(hr)) {
    BreakPeer();
    return hr;
  }
  hr = CheckType(type);
  if (hr != S_OK) {
    BreakPeer();
    return RefusalOf(hr);
  }
  return S_OK;
}

// One attempt. On failure the pin is left as it was: BreakPeer has run, no
// ConnectedPin, and a receiving pin that had accepted has been disconnected.
HRESULT GenericPin::TryOneType(IPin* receivePin, const AM_MEDIA_TYPE& type) {
  HRESULT hr = VetPeerAndType(receivePin, type);
  if (FAILED(hr)) {
    return hr;
  }
  ConnectedPin = receivePin;
  ConnectedPin->AddRef();
  hr = ApplyType(type);
  if (SUCCEEDED(hr)) {
    hr = receivePin->ReceiveConnection(PinInterface(), &type);
    if (SUCCEEDED(hr)) {
      hr = CompletePeer(receivePin);
      if (SUCCEEDED(hr)) {
        return hr;
      }
      receivePin->Disconnect();
    }
  }
  BreakPeer();
  DropConnectedPin();
  return hr;
}

HRESULT STDMETHODCALLTYPE GenericPin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
  if (connector == nullptr || type == nullptr) {
    return E_POINTER;
  }
  ScopedLock lock(*StateLock);
  HRESULT hr = RefuseConnectionChange();
  if (FAILED(hr)) {
    return hr;
  }
  hr = VetPeerAndType(connector, *type);
  if (FAILED(hr)) {
    return hr;
  }
  ConnectedPin = connector;
  ConnectedPin->AddRef();
  hr = ApplyType(*type);
  if (SUCCEEDED(hr)) {
    hr = CompletePeer(connector);
    if (SUCCEEDED(hr)) {
      return S_OK;
    }
  }
  DropConnectedPin();
  BreakPeer();
  return hr;
}

HRESULT STDMETHODCALLTYPE GenericPin::Disconnect() {
  ScopedLock lock(*StateLock);
  if (!FilterIsStopped()) {
    return VFW_E_NOT_STOPPED;
  }
  if (ConnectedPin == nullptr) {
    return S_FALSE;
  }
  // Only this end is broken; the caller disconnects the other.
  const HRESULT hr = BreakPeer();
  if (FAILED(hr)) {
    return hr;
  }
  DropConnectedPin();
  return S_OK;
}

// --- Pin queries ---

HRESULT STDMETHODCALLTYPE GenericPin::ConnectedTo(IPin** pin) {
  if (pin == nullptr) {
    return E_POINTER;
  }
  IPin* connected = ConnectedPin;
  *pin = connected;
  if (connected == nullptr) {
    return VFW_E_NOT_CONNECTED;
  }
  connected->AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GenericPin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (type == nullptr) {
    return E_POINTER;
  }
  ScopedLock lock(*StateLock);
  if (ConnectedPin == nullptr) {
    ResetTypeRecord(*type);
    return VFW_E_NOT_CONNECTED;
  }
  // A copy without its format block would name a format it does not carry.
  if (FAILED(CopyTypeRecord(*type, ConnectionType))) {
    ResetTypeRecord(*type);
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GenericPin::QueryPinInfo(PIN_INFO* info) {
  if (info == nullptr) {
    return E_POINTER;
  }
  info->pFilter = nullptr;
  if (Filter != nullptr) {
    info->pFilter = Filter->FilterInterface();
    info->pFilter->AddRef();
  }
  CopyWideBounded(info->achName, std::size(info->achName), Name);
  info->dir = Direction;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GenericPin::QueryDirection(PIN_DIRECTION* direction) {
  if (direction == nullptr) {
    return E_POINTER;
  }
  *direction = Direction;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GenericPin::QueryId(LPWSTR* id) {
  if (id == nullptr) {
    return E_POINTER;
  }
  // A nameless pin answers the empty string, as QueryPinInfo does.
  static const WCHAR empty[] = {0};
  const WCHAR* name = Name != nullptr ? Name : empty;
  const std::size_t units = WideLength(name) + 1;
  auto* copy = static_cast<WCHAR*>(CoTaskMemAlloc(units * sizeof(WCHAR)));
  *id = copy;
  if (copy == nullptr) {
    return E_OUTOFMEMORY;
  }
  for (std::size_t i = 0; i < units; ++i) {
    copy[i] = name[i];
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE GenericPin::QueryAccept(const AM_MEDIA_TYPE* type) {
  if (type == nullptr) {
    return E_POINTER;
  }
  const HRESULT hr = CheckType(*type);
  return FAILED(hr) ? S_FALSE : hr;
}

HRESULT STDMETHODCALLTYPE GenericPin::EnumMediaTypes(IEnumMediaTypes** enumerator) {
  if (enumerator == nullptr) {
    return E_POINTER;
  }
  // Its count of 1 is the caller's reference.
  TypeEnumerator* created = new (std::nothrow) TypeEnumerator(this, nullptr);
  *enumerator = created;
  return created != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE GenericPin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE GenericPin::EndOfStream() { return E_UNEXPECTED; }

HRESULT STDMETHODCALLTYPE GenericPin::BeginFlush() { return E_UNEXPECTED; }

HRESULT STDMETHODCALLTYPE GenericPin::EndFlush() { return E_UNEXPECTED; }

HRESULT STDMETHODCALLTYPE GenericPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
  SegmentStart = start;
  SegmentStop = stop;
  SegmentRate = rate;
  return S_OK;
}

// --- IQualityControl ---

HRESULT STDMETHODCALLTYPE GenericPin::Notify(IBaseFilter*, Quality) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE GenericPin::SetSink(IQualityControl* sink) {
  ScopedLock lock(*StateLock);
  QualitySink = sink;
  return S_OK;
}
