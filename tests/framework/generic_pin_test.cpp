// GenericPin through its IPin and IQualityControl: the connection protocol on
// both sides, disconnection, and the pin queries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "standin_hooks.h"
#include "tests/framework/framework_fixture.h"
#include "tests/support/counting_unknown.h"

namespace framework_test {
namespace {

using GenericPinTest = FrameworkTest;

bool SameGuid(const GUID& a, const GUID& b) { return IsEqualGUID(a, b) != FALSE; }

// Answers the listed result for each listed subtype and S_OK for any other.
std::function<HRESULT(const AM_MEDIA_TYPE&)> Refusing(std::vector<std::pair<GUID, HRESULT>> answers) {
  return [answers](const AM_MEDIA_TYPE& type) {
    for (const auto& [sub, result] : answers) {
      if (SameGuid(type.subtype, sub)) {
        return result;
      }
    }
    return S_OK;
  };
}

TEST_F(GenericPinTest, NewPinIsUnconnected) {
  MakeFilter(1);
  IPin* pin = PinOf(0);
  IPin* connected = &peers[0];
  EXPECT_EQ(pin->ConnectedTo(&connected), VFW_E_NOT_CONNECTED);
  EXPECT_EQ(connected, nullptr);

  AM_MEDIA_TYPE record;
  record.majortype = kMajorA;
  record.lSampleSize = 99;
  EXPECT_EQ(pin->ConnectionMediaType(&record), VFW_E_NOT_CONNECTED);
  EXPECT_TRUE(SameGuid(record.majortype, GUID_NULL));
  EXPECT_EQ(record.lSampleSize, 1u);
  EXPECT_EQ(record.bFixedSizeSamples, TRUE);

  EXPECT_EQ(pin->Disconnect(), S_FALSE);
}

TEST_F(GenericPinTest, FixedAnswersAndNullArguments) {
  MakeFilter(1);
  IPin* pin = PinOf(0);
  EXPECT_EQ(pin->EndOfStream(), E_UNEXPECTED);
  EXPECT_EQ(pin->BeginFlush(), E_UNEXPECTED);
  EXPECT_EQ(pin->EndFlush(), E_UNEXPECTED);
  EXPECT_EQ(pin->QueryInternalConnections(nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(pin->NewSegment(0, 10, 2.0), S_OK);
  PIN_DIRECTION direction = PINDIR_INPUT;
  EXPECT_EQ(pin->QueryDirection(&direction), S_OK);
  EXPECT_EQ(direction, PINDIR_OUTPUT);

  OwnedMediaType type;
  EXPECT_EQ(pin->Connect(nullptr, &type), E_POINTER);
  EXPECT_EQ(pin->ReceiveConnection(nullptr, &type), E_POINTER);
  EXPECT_EQ(pin->ReceiveConnection(&peers[0], nullptr), E_POINTER);
  EXPECT_EQ(pin->ConnectedTo(nullptr), E_POINTER);
  EXPECT_EQ(pin->ConnectionMediaType(nullptr), E_POINTER);
  EXPECT_EQ(pin->QueryPinInfo(nullptr), E_POINTER);
  EXPECT_EQ(pin->QueryDirection(nullptr), E_POINTER);
  EXPECT_EQ(pin->QueryId(nullptr), E_POINTER);
  EXPECT_EQ(pin->QueryAccept(nullptr), E_POINTER);
  EXPECT_EQ(pin->EnumMediaTypes(nullptr), E_POINTER);
}

TEST_F(GenericPinTest, EveryReferenceOnThePinCountsOnTheFilter) {
  MakeFilter(1);
  const ULONG before = RefsOf(Base());
  IQualityControl* quality = nullptr;
  ASSERT_EQ(PinOf(0)->QueryInterface(IID_IQualityControl, reinterpret_cast<void**>(&quality)), S_OK);
  EXPECT_EQ(RefsOf(Base()), before + 1);
  EXPECT_EQ(quality->Notify(Base(), Quality{}), E_NOTIMPL);
  EXPECT_EQ(quality->SetSink(nullptr), S_OK);

  IUnknown* identity = nullptr;
  ASSERT_EQ(quality->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_NE(static_cast<void*>(identity), static_cast<void*>(Base()));
  EXPECT_EQ(RefsOf(Base()), before + 2);
  identity->Release();
  quality->Release();
  EXPECT_EQ(RefsOf(Base()), before);
}

TEST_F(GenericPinTest, PinInfoAndIdCarryTheName) {
  const std::u16string longName(200, u'p');
  MakeFilter(1, longName.c_str());
  PIN_INFO info;
  ASSERT_EQ(PinOf(0)->QueryPinInfo(&info), S_OK);
  EXPECT_EQ(info.pFilter, Base());
  EXPECT_EQ(std::u16string(info.achName), std::u16string(127, u'p'));
  EXPECT_EQ(info.dir, PINDIR_OUTPUT);
  info.pFilter->Release();

  LPWSTR id = nullptr;
  ASSERT_EQ(PinOf(0)->QueryId(&id), S_OK);
  EXPECT_EQ(std::u16string(id), longName);
  CoTaskMemFree(id);

  StandinFailNthAllocation(1);
  id = reinterpret_cast<LPWSTR>(&info);
  EXPECT_EQ(PinOf(0)->QueryId(&id), E_OUTOFMEMORY);
  EXPECT_EQ(id, nullptr);
}

TEST_F(GenericPinTest, QueryAcceptTurnsFailuresIntoNo) {
  TestFilter& filter = MakeFilter(1);
  const OwnedMediaType type;
  for (const auto& [checked, answered] : std::vector<std::pair<HRESULT, HRESULT>>{
           {S_OK, S_OK}, {S_FALSE, S_FALSE}, {E_FAIL, S_FALSE}, {E_OUTOFMEMORY, S_FALSE}}) {
    filter.Pin(0).checkType = [checked](const AM_MEDIA_TYPE&) { return checked; };
    EXPECT_EQ(PinOf(0)->QueryAccept(&type), answered) << std::hex << checked;
  }
}

// --- Connect: a complete type is tried alone ---

TEST_F(GenericPinTest, CompleteTypeIsTriedAlone) {
  TestFilter& filter = MakeFilter(1);
  peers[0].types = {TypeA(1), TypeA(2)};
  filter.Pin(0).ownTypes = {TypeA(3)};
  OwnedMediaType type;
  FillRecord(type, TypeA(7));
  ASSERT_EQ(PinOf(0)->Connect(&peers[0], &type), S_OK);
  EXPECT_EQ(peers[0].enumCalls, 0);
  ASSERT_EQ(peers[0].offeredSubtypes.size(), 1u);
  EXPECT_TRUE(SameGuid(peers[0].offeredSubtypes[0], Sub(7)));
  EXPECT_EQ(peers[0].connector, PinOf(0));
  EXPECT_EQ(filter.log, (HookLog{"CheckPeer0", "CompletePeer0"}));

  IPin* connected = nullptr;
  ASSERT_EQ(PinOf(0)->ConnectedTo(&connected), S_OK);
  EXPECT_EQ(connected, &peers[0]);
  EXPECT_EQ(peers[0].References(), 2u);
  connected->Release();
}

TEST_F(GenericPinTest, RefusedCompleteTypeSaysWhy) {
  TestFilter& filter = MakeFilter(1);
  OwnedMediaType type;
  FillRecord(type, TypeA(1));
  for (const auto& [checked, result] : std::vector<std::pair<HRESULT, HRESULT>>{{S_FALSE, VFW_E_TYPE_NOT_ACCEPTED},
                                                                                {E_FAIL, VFW_E_TYPE_NOT_ACCEPTED},
                                                                                {E_INVALIDARG, VFW_E_TYPE_NOT_ACCEPTED},
                                                                                {E_OUTOFMEMORY, E_OUTOFMEMORY}}) {
    filter.Pin(0).checkType = [checked](const AM_MEDIA_TYPE&) { return checked; };
    filter.log.clear();
    EXPECT_EQ(PinOf(0)->Connect(&peers[0], &type), result);
    EXPECT_EQ(filter.log.back(), "BreakPeer0");
    EXPECT_FALSE(filter.Pin(0).IsConnected());
  }
  EXPECT_TRUE(peers[0].offeredSubtypes.empty());
}

// --- Connect: the type search ---

struct SearchCase {
  const char* name;
  std::vector<TypeDescription> peerTypes;
  std::vector<TypeDescription> ownTypes;
  TypeDescription pattern;                            // all GUID_NULL: no type given
  std::vector<std::pair<GUID, HRESULT>> checkTypes;   // our CheckType's refusals
  std::vector<std::pair<GUID, HRESULT>> peerRefuses;  // the peer's ReceiveConnection refusals
  HRESULT result;
  std::vector<GUID> offered;  // to ReceiveConnection, in order
  GUID connectedWith;         // GUID_NULL when the connection fails
};

void PrintTo(const SearchCase& c, std::ostream* os) { *os << c.name; }

class TypeSearchTest : public FrameworkTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(TypeSearchTest, FindsTheFirstTypeBothSidesAcceptOrTheTellingFailure) {
  const SearchCase& c = GetParam();
  TestFilter& filter = MakeFilter(1);
  peers[0].types = c.peerTypes;
  peers[0].accept = Refusing(c.peerRefuses);
  filter.Pin(0).ownTypes = c.ownTypes;
  filter.Pin(0).checkType = Refusing(c.checkTypes);
  OwnedMediaType pattern;
  FillRecord(pattern, c.pattern);
  const bool noType = SameGuid(c.pattern.major, GUID_NULL) && SameGuid(c.pattern.sub, GUID_NULL);

  EXPECT_EQ(PinOf(0)->Connect(&peers[0], noType ? nullptr : &pattern), c.result);
  EXPECT_EQ(peers[0].offeredSubtypes.size(), c.offered.size());
  for (std::size_t i = 0; i < c.offered.size() && i < peers[0].offeredSubtypes.size(); ++i) {
    EXPECT_TRUE(SameGuid(peers[0].offeredSubtypes[i], c.offered[i])) << "offer " << i;
  }
  AM_MEDIA_TYPE current;
  const HRESULT hr = PinOf(0)->ConnectionMediaType(&current);
  if (SameGuid(c.connectedWith, GUID_NULL)) {
    EXPECT_EQ(hr, VFW_E_NOT_CONNECTED);
    EXPECT_EQ(peers[0].References(), 0u);
  } else {
    ASSERT_EQ(hr, S_OK);
    EXPECT_TRUE(SameGuid(current.subtype, c.connectedWith));
    ReleaseTypeRecord(current);
  }
}

const TypeDescription kNoType{};
const TypeDescription kMajorAPattern{kMajorA, GUID_NULL, GUID_NULL, {}};
const TypeDescription kTypeB{kMajorB, Sub(9), kFormatA, {}};

INSTANTIATE_TEST_SUITE_P(
    Cases, TypeSearchTest,
    ::testing::Values(
        // The pattern's major type filters the peer's list, in its order.
        SearchCase{"PatternOverPeerList",
                   {kTypeB, TypeA(1), TypeA(2)},
                   {TypeA(5)},
                   kMajorAPattern,
                   {},
                   {{Sub(1), VFW_E_TYPE_NOT_ACCEPTED}},
                   S_OK,
                   {Sub(1), Sub(2)},
                   Sub(2)},
        // Then our own list.
        SearchCase{"PatternFallsBackToOwnList", {kTypeB}, {TypeA(5)}, kMajorAPattern, {}, {}, S_OK, {Sub(5)}, Sub(5)},
        SearchCase{"NoTypeAndAnEmptyPeerList", {}, {TypeA(3)}, kNoType, {}, {}, S_OK, {Sub(3)}, Sub(3)},
        SearchCase{"NothingAcceptable",
                   {TypeA(1)},
                   {TypeA(2)},
                   kNoType,
                   {},
                   {{Sub(1), VFW_E_TYPE_NOT_ACCEPTED}, {Sub(2), E_FAIL}},
                   VFW_E_NO_ACCEPTABLE_TYPES,
                   {Sub(1), Sub(2)},
                   GUID_NULL},
        // A telling failure in the peer's list is replaced by the own
        // list's "nothing there".
        SearchCase{"LaterPassNoTypesReplacesTelling",
                   {TypeA(1)},
                   {},
                   kNoType,
                   {{Sub(1), E_OUTOFMEMORY}},
                   {},
                   VFW_E_NO_ACCEPTABLE_TYPES,
                   {},
                   GUID_NULL},
        // A later pass with nothing but refusals ends in "nothing there",
        // which is telling and replaces the earlier pass's failure.
        SearchCase{"UntellingLaterPassStillReplacesTelling",
                   {TypeA(1)},
                   {TypeA(2)},
                   kNoType,
                   {{Sub(1), E_OUTOFMEMORY}, {Sub(2), S_FALSE}},
                   {},
                   VFW_E_NO_ACCEPTABLE_TYPES,
                   {},
                   GUID_NULL},
        SearchCase{"FirstTellingWithinAList",
                   {},
                   {TypeA(1), TypeA(2), TypeA(3)},
                   kNoType,
                   {{Sub(1), E_FAIL}, {Sub(2), E_OUTOFMEMORY}, {Sub(3), E_ABORT}},
                   {},
                   E_OUTOFMEMORY,
                   {},
                   GUID_NULL},
        SearchCase{"LaterPassTellingWins",
                   {TypeA(1)},
                   {TypeA(2)},
                   kNoType,
                   {},
                   {{Sub(1), E_OUTOFMEMORY}, {Sub(2), E_ABORT}},
                   E_ABORT,
                   {Sub(1), Sub(2)},
                   GUID_NULL}),
    [](const ::testing::TestParamInfo<SearchCase>& info) { return std::string(info.param.name); });

TEST_F(GenericPinTest, SameDirectionIsTellingOnlyWhenThereIsATypeToTry) {
  TestFilter& filter = MakeFilter(1);
  peers[0].direction = PINDIR_OUTPUT;
  filter.Pin(0).ownTypes = {TypeA(1)};
  EXPECT_EQ(PinOf(0)->Connect(&peers[0], nullptr), VFW_E_INVALID_DIRECTION);
  filter.Pin(0).ownTypes = {};
  EXPECT_EQ(PinOf(0)->Connect(&peers[0], nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
  EXPECT_TRUE(peers[0].offeredSubtypes.empty());
}

TEST_F(GenericPinTest, PeerThatCannotTellItsDirectionPasses) {
  MakeFilter(1);
  peers[0].direction = PINDIR_OUTPUT;  // never written: the call fails first
  peers[0].queryDirectionResult = E_NOTIMPL;
  ConnectPin(0);
}

TEST_F(GenericPinTest, FailedCompletionDisconnectsThePeerThatAccepted) {
  TestFilter& filter = MakeFilter(1);
  filter.Pin(0).completePeerResult = VFW_E_NO_ALLOCATOR;
  OwnedMediaType type;
  FillRecord(type, TypeA(1));
  EXPECT_EQ(PinOf(0)->Connect(&peers[0], &type), VFW_E_NO_ALLOCATOR);
  EXPECT_EQ(peers[0].disconnectCalls, 1);
  EXPECT_EQ(peers[0].connector, nullptr);
  EXPECT_FALSE(filter.Pin(0).IsConnected());
  EXPECT_EQ(peers[0].References(), 0u);
  EXPECT_EQ(filter.log, (HookLog{"CheckPeer0", "CompletePeer0", "BreakPeer0", "BreakPeer0"}));
}

TEST_F(GenericPinTest, TypeThatCannotBeAdoptedUndoesTheAttempt) {
  TestFilter& filter = MakeFilter(1);
  OwnedMediaType type;
  FillRecord(type, TypeDescription{kMajorA, Sub(1), kFormatA, {1, 2, 3}});
  StandinFailNthAllocation(1);  // the copy of the format block
  EXPECT_EQ(PinOf(0)->Connect(&peers[0], &type), E_OUTOFMEMORY);
  StandinFailNthAllocation(0);
  EXPECT_TRUE(peers[0].offeredSubtypes.empty());
  EXPECT_FALSE(filter.Pin(0).IsConnected());
  EXPECT_EQ(peers[0].References(), 0u);
}

// A CompletePeer that reports success with S_FALSE has connected the pin; the
// search must end there rather than connect it again.
TEST_F(GenericPinTest, SearchEndsAtAnySuccessfulAttempt) {
  TestFilter& filter = MakeFilter(1);
  peers[0].types = {TypeA(1), TypeA(2)};
  filter.Pin(0).completePeerResult = S_FALSE;
  EXPECT_EQ(PinOf(0)->Connect(&peers[0], nullptr), S_OK);
  EXPECT_EQ(peers[0].offeredSubtypes.size(), 1u);
  EXPECT_EQ(peers[0].References(), 1u);
  EXPECT_TRUE(SameGuid(filter.Pin(0).ConnectionSubtype(), Sub(1)));
}

TEST_F(GenericPinTest, ConnectionChangesNeedAStoppedFilterAndAFreePin) {
  TestFilter& filter = MakeFilter(2);
  ConnectPin(0);
  OwnedMediaType type;
  FillRecord(type, TypeA(1));
  ASSERT_EQ(Base()->Run(0), S_OK);
  // The connection test comes before the state test.
  EXPECT_EQ(PinOf(0)->Connect(&peers[1], &type), VFW_E_ALREADY_CONNECTED);
  EXPECT_EQ(PinOf(0)->ReceiveConnection(&peers[1], &type), VFW_E_ALREADY_CONNECTED);
  EXPECT_EQ(PinOf(0)->Disconnect(), VFW_E_NOT_STOPPED);
  EXPECT_EQ(PinOf(1)->Connect(&peers[1], &type), VFW_E_NOT_STOPPED);
  EXPECT_EQ(PinOf(1)->ReceiveConnection(&peers[1], &type), VFW_E_NOT_STOPPED);
  EXPECT_EQ(PinOf(1)->Disconnect(), VFW_E_NOT_STOPPED);
  ASSERT_EQ(Base()->Pause(), S_OK);
  EXPECT_EQ(PinOf(1)->Disconnect(), VFW_E_NOT_STOPPED);
  EXPECT_TRUE(filter.Pin(0).IsConnected());
  EXPECT_EQ(peers[1].References(), 0u);
}

// --- ReceiveConnection ---

TEST_F(GenericPinTest, ReceiveConnectionTakesThePinWithoutCallingBack) {
  TestFilter& filter = MakeFilter(1);
  peers[0].direction = PINDIR_OUTPUT;
  filter.Pin(0).checkType = Refusing({{Sub(2), S_FALSE}});
  OwnedMediaType refused;
  FillRecord(refused, TypeA(2));
  EXPECT_EQ(PinOf(0)->ReceiveConnection(&peers[0], &refused), VFW_E_INVALID_DIRECTION);
  peers[0].direction = PINDIR_INPUT;
  EXPECT_EQ(PinOf(0)->ReceiveConnection(&peers[0], &refused), VFW_E_TYPE_NOT_ACCEPTED);
  EXPECT_EQ(peers[0].References(), 0u);

  OwnedMediaType type;
  FillRecord(type, TypeDescription{kMajorA, Sub(1), kFormatA, {4, 5}});
  filter.log.clear();
  ASSERT_EQ(PinOf(0)->ReceiveConnection(&peers[0], &type), S_OK);
  EXPECT_EQ(filter.log, (HookLog{"CheckPeer0", "CompletePeer0"}));
  EXPECT_EQ(peers[0].References(), 1u);
  EXPECT_TRUE(peers[0].offeredSubtypes.empty());
  EXPECT_EQ(peers[0].disconnectCalls, 0);

  AM_MEDIA_TYPE current;
  ASSERT_EQ(PinOf(0)->ConnectionMediaType(&current), S_OK);
  EXPECT_TRUE(SameGuid(current.subtype, Sub(1)));
  EXPECT_EQ(current.cbFormat, 2u);
  ReleaseTypeRecord(current);
}

TEST_F(GenericPinTest, ReceiveConnectionUndoesAFailedCompletion) {
  TestFilter& filter = MakeFilter(1);
  filter.Pin(0).completePeerResult = E_ABORT;
  OwnedMediaType type;
  FillRecord(type, TypeA(1));
  EXPECT_EQ(PinOf(0)->ReceiveConnection(&peers[0], &type), E_ABORT);
  EXPECT_EQ(filter.log.back(), "BreakPeer0");
  EXPECT_FALSE(filter.Pin(0).IsConnected());
  EXPECT_EQ(peers[0].References(), 0u);
  EXPECT_EQ(peers[0].disconnectCalls, 0);
}

// --- Disconnect and the connection's type ---

TEST_F(GenericPinTest, DisconnectBreaksOnlyThisEnd) {
  TestFilter& filter = MakeFilter(1);
  ConnectPin(0);
  filter.Pin(0).breakPeerResult = E_ABORT;
  EXPECT_EQ(PinOf(0)->Disconnect(), E_ABORT);
  EXPECT_TRUE(filter.Pin(0).IsConnected());

  filter.Pin(0).breakPeerResult = S_OK;
  EXPECT_EQ(PinOf(0)->Disconnect(), S_OK);
  EXPECT_FALSE(filter.Pin(0).IsConnected());
  EXPECT_EQ(peers[0].References(), 0u);
  EXPECT_EQ(peers[0].disconnectCalls, 0);
  EXPECT_EQ(PinOf(0)->Disconnect(), S_FALSE);
}

TEST_F(GenericPinTest, ConnectionTypeThatCannotBeCopiedIsNotHalfReported) {
  MakeFilter(1);
  OwnedMediaType type;
  FillRecord(type, TypeDescription{kMajorA, Sub(1), kFormatA, {1, 2, 3, 4}});
  type.pUnk = &attachment;
  attachment.AddRef();
  ASSERT_EQ(PinOf(0)->Connect(&peers[0], &type), S_OK);

  AM_MEDIA_TYPE copy;
  ASSERT_EQ(PinOf(0)->ConnectionMediaType(&copy), S_OK);
  EXPECT_EQ(copy.cbFormat, 4u);
  EXPECT_EQ(copy.pUnk, &attachment);
  ReleaseTypeRecord(copy);

  StandinFailNthAllocation(1);
  EXPECT_EQ(PinOf(0)->ConnectionMediaType(&copy), E_OUTOFMEMORY);
  EXPECT_TRUE(SameGuid(copy.formattype, GUID_NULL));
  EXPECT_EQ(copy.cbFormat, 0u);
  EXPECT_EQ(copy.pbFormat, nullptr);
  EXPECT_EQ(copy.pUnk, nullptr);
  // The connection's own reference and the test's.
  EXPECT_EQ(attachment.References(), 2u);
  PinOf(0)->Disconnect();
}

}  // namespace
}  // namespace framework_test
