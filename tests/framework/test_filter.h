// A filter and pin built on the framework for its tests: the pins' hooks
// answer what a test sets and write what they saw into one shared log.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/generic_filter.h"
#include "framework/generic_pin.h"
#include "platform.h"
#include "tests/support/type_description.h"
#include "threading/section_lock.h"

namespace framework_test {

inline constexpr CLSID kTestClassId{0x7e57f11e, 0x1, 0x2, {3, 4, 5, 6, 7, 8, 9, 10}};
inline constexpr GUID kMajorA{0x11111111, 0x1, 0x1, {1, 1, 1, 1, 1, 1, 1, 1}};
inline constexpr GUID kMajorB{0x22222222, 0x2, 0x2, {2, 2, 2, 2, 2, 2, 2, 2}};
inline constexpr GUID kFormatA{0x55555555, 0x5, 0x5, {5, 5, 5, 5, 5, 5, 5, 5}};

// Subtypes told apart by their first field, so that tests can name types by
// number.
inline GUID Sub(unsigned long number) { return GUID{static_cast<DWORD>(0x5b000000 + number), 0, 0, {}}; }

// A complete type of major type A with the given subtype.
inline TypeDescription TypeA(unsigned long number) { return TypeDescription{kMajorA, Sub(number), kFormatA, {}}; }

using HookLog = std::vector<std::string>;

class TestPin : public GenericPin {
 public:
  TestPin(GenericFilter* filter, SectionLock* lock, const WCHAR* name, int id, HookLog* log)
      : GenericPin(filter, lock, name, PINDIR_OUTPUT), id_(id), log_(log), filter_(filter) {}

  // --- What the hooks answer ---
  std::vector<TypeDescription> ownTypes;
  IUnknown* proposedUnk = nullptr;  // travels with every proposed type
  std::function<HRESULT(const AM_MEDIA_TYPE&)> checkType = [](const AM_MEDIA_TYPE&) { return S_OK; };
  HRESULT activateResult = S_OK;
  HRESULT deactivateResult = S_OK;
  HRESULT startRunResult = S_OK;
  HRESULT completePeerResult = S_OK;
  HRESULT breakPeerResult = S_OK;

  // --- What they saw ---
  std::vector<LONG> proposedPositions;
  REFERENCE_TIME startedAt = -1;

  void BumpTypeVersion() { ++TypeVersion; }
  GUID ConnectionSubtype() const { return ConnectionType.subtype; }

  HRESULT Activate() override { return Note("Activate", activateResult); }
  HRESULT Deactivate() override { return Note("Deactivate", deactivateResult); }
  HRESULT StartRun(REFERENCE_TIME start) override {
    startedAt = start;
    return Note("StartRun", startRunResult);
  }
  HRESULT CheckType(const AM_MEDIA_TYPE& type) override { return checkType(type); }
  HRESULT CheckPeer(IPin* peer) override {
    log_->push_back("CheckPeer" + std::to_string(id_));
    return GenericPin::CheckPeer(peer);
  }
  HRESULT BreakPeer() override {
    log_->push_back("BreakPeer" + std::to_string(id_));
    return breakPeerResult;
  }
  HRESULT CompletePeer(IPin*) override {
    log_->push_back("CompletePeer" + std::to_string(id_));
    return completePeerResult;
  }
  HRESULT ProposeType(LONG position, OwnedMediaType& type) override {
    proposedPositions.push_back(position);
    if (position < 0 || static_cast<std::size_t>(position) >= ownTypes.size()) {
      return S_FALSE;
    }
    if (!FillRecord(type, ownTypes[static_cast<std::size_t>(position)])) {
      return E_OUTOFMEMORY;
    }
    if (proposedUnk != nullptr) {
      type.pUnk = proposedUnk;
      proposedUnk->AddRef();
    }
    return S_OK;
  }

 private:
  // Logs "<hook><pin>@<state the filter is in>".
  HRESULT Note(const char* hook, HRESULT result) {
    log_->push_back(hook + std::to_string(id_) + "@" + std::to_string(filter_->CurrentState()));
    return result;
  }

  const int id_;
  HookLog* const log_;
  GenericFilter* const filter_;
};

class TestFilter : public GenericFilter {
 public:
  // Created with RefCount 0, like every framework object: the creator takes
  // the first reference.
  TestFilter(int pinCount, const WCHAR* pinName = OLESTR("pin"), IUnknown* outer = nullptr)
      : GenericFilter(outer, &lock_, kTestClassId) {
    for (int id = 0; id < pinCount; ++id) {
      pins_.push_back(new (std::nothrow) TestPin(this, &lock_, pinName, id, &log));
    }
    visiblePins = pinCount;
  }
  ~TestFilter() override {
    for (TestPin* pin : pins_) {
      delete pin;
    }
  }

  HookLog log;
  // PinCount's answer; lowering it without a version change makes PinAt
  // answer none inside an enumerator's snapshot.
  LONG visiblePins = 0;
  const FilterSetupData* setup = nullptr;

  LONG PinCount() override { return visiblePins; }
  GenericPin* PinAt(LONG index) override {
    return index >= 0 && index < visiblePins ? pins_[static_cast<std::size_t>(index)] : nullptr;
  }
  const FilterSetupData* SetupData() override { return setup; }
  HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR, IPin**) override { return E_NOTIMPL; }

  TestPin& Pin(int index) { return *pins_[static_cast<std::size_t>(index)]; }
  int PinsMade() const { return static_cast<int>(pins_.size()); }
  void BumpPinVersion() { ++PinVersion; }

 private:
  SectionLock lock_;
  std::vector<TestPin*> pins_;
};

}  // namespace framework_test
