// GenericFilter through its IBaseFilter and IAMovieSetup: state changes and the
// pin hooks they call, the clock, graph membership and events, registration.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "standin_hooks.h"
#include "tests/framework/framework_fixture.h"
#include "tests/platform/test_thread.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/wait_until.h"

namespace framework_test {
namespace {

using GenericFilterTest = FrameworkTest;

std::u16string Repeated(char16_t unit, std::size_t count) { return std::u16string(count, unit); }

TEST_F(GenericFilterTest, NewFilterIsStoppedWithoutClockGraphOrName) {
  TestFilter& filter = MakeFilter(1);
  FILTER_STATE state = State_Running;
  EXPECT_EQ(Base()->GetState(0, &state), S_OK);
  EXPECT_EQ(state, State_Stopped);

  IReferenceClock* noClock = &clock;
  EXPECT_EQ(Base()->GetSyncSource(&noClock), S_OK);
  EXPECT_EQ(noClock, nullptr);

  FILTER_INFO info;
  info.achName[0] = u'x';
  info.pGraph = &graph;
  EXPECT_EQ(Base()->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(info.achName[0], 0);
  EXPECT_EQ(info.pGraph, nullptr);

  CLSID classId{};
  EXPECT_EQ(Base()->GetClassID(&classId), S_OK);
  EXPECT_TRUE(IsEqualCLSID(classId, kTestClassId));
  EXPECT_EQ(filter.PinListVersion(), 1);
  EXPECT_EQ(Base()->QueryVendorInfo(nullptr), E_NOTIMPL);
}

TEST_F(GenericFilterTest, NullOutParametersAreRefused) {
  MakeFilter(1);
  EXPECT_EQ(Base()->GetClassID(nullptr), E_POINTER);
  EXPECT_EQ(Base()->GetState(0, nullptr), E_POINTER);
  EXPECT_EQ(Base()->GetSyncSource(nullptr), E_POINTER);
  EXPECT_EQ(Base()->EnumPins(nullptr), E_POINTER);
  EXPECT_EQ(Base()->QueryFilterInfo(nullptr), E_POINTER);
}

TEST_F(GenericFilterTest, AnswersItsInterfacesThroughOneIdentity) {
  MakeFilter(0);
  void* base = nullptr;
  void* media = nullptr;
  void* persist = nullptr;
  void* setup = nullptr;
  void* other = &clock;
  ASSERT_EQ(Base()->QueryInterface(IID_IBaseFilter, &base), S_OK);
  ASSERT_EQ(Base()->QueryInterface(IID_IMediaFilter, &media), S_OK);
  ASSERT_EQ(Base()->QueryInterface(IID_IPersist, &persist), S_OK);
  ASSERT_EQ(Base()->QueryInterface(IID_IAMovieSetup, &setup), S_OK);
  EXPECT_EQ(base, Base());
  EXPECT_EQ(media, Base());
  EXPECT_EQ(persist, Base());
  EXPECT_EQ(RefsOf(Base()), 5u);
  EXPECT_EQ(Base()->QueryInterface(IID_IPin, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  for (void* answer : {base, media, persist, setup}) {
    static_cast<IUnknown*>(answer)->Release();
  }
}

// Pins 0 and 2 are connected, pin 1 is not and must never be called. Each
// entry names the hook, the pin, and the state the filter was in.
struct StateChangeCase {
  const char* name;
  std::vector<int> before;  // 0 Stop, 1 Pause, 2 Run
  int change;
  std::vector<std::string> hooks;
  FILTER_STATE after;
};

HRESULT Change(IBaseFilter* filter, int change) {
  switch (change) {
    case 0:
      return filter->Stop();
    case 1:
      return filter->Pause();
    default:
      return filter->Run(500);
  }
}

void PrintTo(const StateChangeCase& c, std::ostream* os) { *os << c.name; }

class StateChangeTest : public FrameworkTest, public ::testing::WithParamInterface<StateChangeCase> {};

TEST_P(StateChangeTest, CallsConnectedPinsInOrderAndWritesStateAfterThem) {
  const StateChangeCase& c = GetParam();
  TestFilter& filter = MakeFilter(3);
  ConnectPin(0);
  ConnectPin(2);
  for (int step : c.before) {
    ASSERT_EQ(Change(Base(), step), S_OK);
  }
  filter.log.clear();
  EXPECT_EQ(Change(Base(), c.change), S_OK);
  EXPECT_EQ(filter.log, c.hooks);
  EXPECT_EQ(filter.CurrentState(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    AllStates, StateChangeTest,
    ::testing::Values(
        StateChangeCase{"StopWhileStopped", {}, 0, {}, State_Stopped},
        StateChangeCase{"PauseFromStopped", {}, 1, {"Activate0@0", "Activate2@0"}, State_Paused},
        StateChangeCase{
            "RunFromStopped", {}, 2, {"Activate0@0", "Activate2@0", "StartRun0@1", "StartRun2@1"}, State_Running},
        StateChangeCase{"StopFromPaused", {1}, 0, {"Deactivate0@1", "Deactivate2@1"}, State_Stopped},
        StateChangeCase{"PauseWhilePaused", {1}, 1, {}, State_Paused},
        StateChangeCase{"RunFromPaused", {1}, 2, {"StartRun0@1", "StartRun2@1"}, State_Running},
        StateChangeCase{"StopFromRunning", {2}, 0, {"Deactivate0@2", "Deactivate2@2"}, State_Stopped},
        StateChangeCase{"PauseFromRunning", {2}, 1, {}, State_Paused},
        StateChangeCase{"RunWhileRunning", {2}, 2, {}, State_Running}),
    [](const ::testing::TestParamInfo<StateChangeCase>& info) { return std::string(info.param.name); });

TEST_F(GenericFilterTest, StopVisitsEveryPinAndReportsTheFirstFailure) {
  TestFilter& filter = MakeFilter(2);
  ConnectPin(0);
  ConnectPin(1);
  ASSERT_EQ(Base()->Pause(), S_OK);
  filter.Pin(0).deactivateResult = E_ABORT;
  filter.Pin(1).deactivateResult = E_FAIL;
  filter.log.clear();
  EXPECT_EQ(Base()->Stop(), E_ABORT);
  EXPECT_EQ(filter.log, (HookLog{"Deactivate0@1", "Deactivate1@1"}));
  EXPECT_EQ(filter.CurrentState(), State_Stopped);
}

TEST_F(GenericFilterTest, PauseStopsAtTheFirstFailureAndStaysStopped) {
  TestFilter& filter = MakeFilter(3);
  ConnectPin(0);
  ConnectPin(1);
  ConnectPin(2);
  filter.Pin(1).activateResult = E_OUTOFMEMORY;
  EXPECT_EQ(Base()->Pause(), E_OUTOFMEMORY);
  EXPECT_EQ(filter.log.back(), "Activate1@0");
  EXPECT_EQ(std::count(filter.log.begin(), filter.log.end(), "Activate2@0"), 0);
  EXPECT_EQ(filter.CurrentState(), State_Stopped);
}

TEST_F(GenericFilterTest, RunStopsAtTheFirstFailureOfEitherStep) {
  TestFilter& filter = MakeFilter(2);
  ConnectPin(0);
  ConnectPin(1);

  // Its own Pause fails: still stopped, but the start time was taken.
  filter.Pin(0).activateResult = E_ABORT;
  clock.now = 1000;
  Base()->SetSyncSource(&clock);
  EXPECT_EQ(Base()->Run(400), E_ABORT);
  EXPECT_EQ(filter.CurrentState(), State_Stopped);
  REFERENCE_TIME streamTime = 0;
  EXPECT_EQ(filter.StreamTimeNow(&streamTime), S_OK);
  EXPECT_EQ(streamTime, 600);

  // Pause succeeds, the first StartRun fails: paused, second pin not started.
  filter.Pin(0).activateResult = S_OK;
  filter.Pin(0).startRunResult = E_FAIL;
  filter.log.clear();
  EXPECT_EQ(Base()->Run(400), E_FAIL);
  EXPECT_EQ(filter.log, (HookLog{"Activate0@0", "Activate1@0", "StartRun0@1"}));
  EXPECT_EQ(filter.CurrentState(), State_Paused);
  Base()->SetSyncSource(nullptr);
}

TEST_F(GenericFilterTest, FilterWithoutPinsChangesStateAlone) {
  TestFilter& filter = MakeFilter(0);
  EXPECT_EQ(Base()->Run(0), S_OK);
  EXPECT_EQ(filter.CurrentState(), State_Running);
  EXPECT_EQ(Base()->Stop(), S_OK);
  EXPECT_TRUE(filter.log.empty());
}

// GetState and QueryFilterInfo may come from any thread while another one
// changes the state and the graph membership (the sanitizer builds watch).
TEST_F(GenericFilterTest, StateAndInfoCanBeReadWhileTheyChange) {
  MakeFilter(2);
  ConnectPin(0);
  TestThread changer([this] {
    for (int round = 0; round < 200; ++round) {
      Base()->Run(round);
      Base()->JoinFilterGraph(round % 2 == 0 ? &graph : nullptr, OLESTR("racing"));
      Base()->Stop();
    }
  });
  for (int read = 0; read < 200; ++read) {
    FILTER_STATE state = static_cast<FILTER_STATE>(-1);
    ASSERT_EQ(Base()->GetState(0, &state), S_OK);
    EXPECT_TRUE(state == State_Stopped || state == State_Paused || state == State_Running);
    FILTER_INFO info;
    ASSERT_EQ(Base()->QueryFilterInfo(&info), S_OK);
    if (info.pGraph != nullptr) {
      info.pGraph->Release();
    }
  }
  changer.Join();
  Base()->JoinFilterGraph(nullptr, nullptr);
}

// A filter downstream may ask for our filter information from our streaming
// thread while a state change holds the filter's lock and waits for that
// thread: the answer must not wait for the lock.
TEST_F(GenericFilterTest, FilterInfoDoesNotWaitForTheFiltersLock) {
  SectionLock* lock = MakeFilter(0).FilterLock();
  Base()->JoinFilterGraph(&graph, OLESTR("held"));
  lock->Lock();
  std::atomic<bool> answered{false};
  TestThread asker([this, &answered] {
    FILTER_INFO info;
    EXPECT_EQ(Base()->QueryFilterInfo(&info), S_OK);
    if (info.pGraph != nullptr) {
      info.pGraph->Release();
    }
    answered = true;
  });
  EXPECT_TRUE(WaitUntil([&] { return answered.load(); })) << "QueryFilterInfo waited for the filter's lock";
  lock->Unlock();
  asker.Join();
  Base()->JoinFilterGraph(nullptr, nullptr);
}

TEST_F(GenericFilterTest, HoldsOneReferenceOnItsClock) {
  TestFilter& filter = MakeFilter(0);
  EXPECT_EQ(Base()->SetSyncSource(&clock), S_OK);
  EXPECT_EQ(clock.References(), 1u);
  // Giving the same clock again must not release it first.
  EXPECT_EQ(Base()->SetSyncSource(&clock), S_OK);
  EXPECT_EQ(clock.References(), 1u);

  IReferenceClock* current = nullptr;
  EXPECT_EQ(Base()->GetSyncSource(&current), S_OK);
  EXPECT_EQ(current, &clock);
  EXPECT_EQ(clock.References(), 2u);
  current->Release();

  EXPECT_EQ(Base()->SetSyncSource(nullptr), S_OK);
  EXPECT_EQ(clock.References(), 0u);
  REFERENCE_TIME now = 0;
  EXPECT_EQ(filter.StreamTimeNow(&now), VFW_E_NO_CLOCK);

  // Destruction gives the clock up (TearDown checks the count).
  Base()->SetSyncSource(&clock);
}

TEST_F(GenericFilterTest, StreamTimeIsTheClockLessTheLastStart) {
  TestFilter& filter = MakeFilter(0);
  Base()->SetSyncSource(&clock);
  clock.now = 5000;
  REFERENCE_TIME now = 0;
  EXPECT_EQ(filter.StreamTimeNow(&now), S_OK);
  EXPECT_EQ(now, 5000);

  Base()->Run(1000);
  Base()->Run(2000);  // while running: only the start time changes
  clock.getTimeResult = S_FALSE;
  EXPECT_EQ(filter.StreamTimeNow(&now), S_OK);
  EXPECT_EQ(now, 3000);

  clock.getTimeResult = E_UNEXPECTED;
  EXPECT_EQ(filter.StreamTimeNow(&now), E_UNEXPECTED);
}

TEST_F(GenericFilterTest, JoinsAndLeavesAGraphWithoutHoldingIt) {
  MakeFilter(0);
  EXPECT_EQ(Base()->JoinFilterGraph(&graph, OLESTR("Live Audio Filter")), S_OK);
  EXPECT_EQ(graph.References(), 0u);
  EXPECT_EQ(sink.References(), 0u);

  FILTER_INFO info;
  ASSERT_EQ(Base()->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(std::u16string(info.achName), u"Live Audio Filter");
  EXPECT_EQ(info.pGraph, &graph);
  EXPECT_EQ(graph.References(), 1u);
  info.pGraph->Release();

  EXPECT_EQ(Base()->JoinFilterGraph(nullptr, nullptr), S_OK);
  ASSERT_EQ(Base()->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(info.achName[0], 0);
  EXPECT_EQ(info.pGraph, nullptr);
}

TEST_F(GenericFilterTest, LongNamesComeBackCutTo127Units) {
  MakeFilter(0);
  const std::u16string name = Repeated(u'n', 200);
  Base()->JoinFilterGraph(&graph, name.c_str());
  FILTER_INFO info;
  ASSERT_EQ(Base()->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(std::u16string(info.achName), Repeated(u'n', 127));
  info.pGraph->Release();
  Base()->JoinFilterGraph(nullptr, nullptr);
}

TEST_F(GenericFilterTest, NameThatCannotBeCopiedLeavesTheJoinStanding) {
  MakeFilter(0);
  StandinFailNthAllocation(1);
  EXPECT_EQ(Base()->JoinFilterGraph(&graph, OLESTR("Lost")), S_OK);
  StandinFailNthAllocation(0);
  FILTER_INFO info;
  ASSERT_EQ(Base()->QueryFilterInfo(&info), S_OK);
  EXPECT_EQ(info.achName[0], 0);
  EXPECT_EQ(info.pGraph, &graph);
  info.pGraph->Release();
  Base()->JoinFilterGraph(nullptr, nullptr);
}

TEST_F(GenericFilterTest, GraphEventsGoToTheGraphsSink) {
  TestFilter& filter = MakeFilter(0);
  EXPECT_EQ(filter.NotifyGraphEvent(EC_ERRORABORT, 1, 2), E_NOTIMPL);

  Base()->JoinFilterGraph(&graph, OLESTR("f"));
  EXPECT_EQ(filter.NotifyGraphEvent(EC_COMPLETE, 7, 8), S_OK);
  sink.notifyResult = E_FAIL;
  EXPECT_EQ(filter.NotifyGraphEvent(EC_ERRORABORT, static_cast<LONG_PTR>(E_OUTOFMEMORY), 9), E_FAIL);
  ASSERT_EQ(sink.events.size(), 2u);
  // EC_COMPLETE names the filter in place of the second parameter.
  EXPECT_EQ(sink.events[0].code, EC_COMPLETE);
  EXPECT_EQ(sink.events[0].param1, 7);
  EXPECT_EQ(sink.events[0].param2, reinterpret_cast<LONG_PTR>(Base()));
  EXPECT_EQ(sink.events[1].code, EC_ERRORABORT);
  EXPECT_EQ(sink.events[1].param1, static_cast<LONG_PTR>(E_OUTOFMEMORY));
  EXPECT_EQ(sink.events[1].param2, 9);

  // A graph without a sink leaves none.
  FakeFilterGraph sinkless(nullptr);
  Base()->JoinFilterGraph(&sinkless, OLESTR("f"));
  EXPECT_EQ(filter.NotifyGraphEvent(EC_COMPLETE, 0, 0), E_NOTIMPL);
  Base()->JoinFilterGraph(nullptr, nullptr);
  EXPECT_EQ(sinkless.References(), 0u);
}

// --- IAMovieSetup ---

const REGFILTERPINS kNoPins[1] = {};
const FilterSetupData kSetup{&kTestClassId, OLESTR("Framework test filter"), MERIT_DO_NOT_USE, 0, kNoPins};

class MovieSetupTest : public FrameworkTest {
 protected:
  IAMovieSetup* MovieSetup() {
    IAMovieSetup* setup = nullptr;
    EXPECT_EQ(Base()->QueryInterface(IID_IAMovieSetup, reinterpret_cast<void**>(&setup)), S_OK);
    setup->Release();  // the test's filter reference keeps it valid
    return setup;
  }

  // Whether the mapper holds the test filter, asked by removing it.
  static bool TakeFromMapper() {
    IFilterMapper* mapper = nullptr;
    const HRESULT created = CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                                             reinterpret_cast<void**>(&mapper));
    if (FAILED(created)) {
      ADD_FAILURE() << "no mapper: " << std::hex << created;
      return false;
    }
    const HRESULT hr = mapper->UnregisterFilter(kTestClassId);
    mapper->Release();
    return hr == S_OK;
  }

  TemporaryRegistry registry;
};

TEST_F(MovieSetupTest, WithoutARecordThereIsNothingToDo) {
  MakeFilter(0);
  EXPECT_EQ(MovieSetup()->Register(), S_FALSE);
  EXPECT_EQ(MovieSetup()->Unregister(), S_FALSE);
}

TEST_F(MovieSetupTest, RegistersAndUnregistersTheRecordWithTheMapper) {
  MakeFilter(0).setup = &kSetup;
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  EXPECT_EQ(MovieSetup()->Register(), S_OK);
  EXPECT_TRUE(TakeFromMapper());

  EXPECT_EQ(MovieSetup()->Register(), S_OK);
  EXPECT_EQ(MovieSetup()->Unregister(), S_OK);
  EXPECT_FALSE(TakeFromMapper());
  // Nothing left to remove still counts as success.
  EXPECT_EQ(MovieSetup()->Unregister(), S_OK);
  CoUninitialize();
}

TEST_F(MovieSetupTest, MapperFailuresReachOnlyUnregister) {
  MakeFilter(0).setup = &kSetup;
  StandinHideClass(CLSID_FilterMapper, TRUE);
  EXPECT_EQ(MovieSetup()->Register(), S_OK);
  EXPECT_EQ(MovieSetup()->Unregister(), REGDB_E_CLASSNOTREG);
  StandinHideClass(CLSID_FilterMapper, FALSE);
}

TEST_F(MovieSetupTest, CallersApartmentIsLeftAsItWas) {
  MakeFilter(0).setup = &kSetup;
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  // Inside, CoInitialize answers RPC_E_CHANGED_MODE and must not be undone.
  EXPECT_EQ(MovieSetup()->Register(), S_OK);
  EXPECT_EQ(MovieSetup()->Unregister(), S_OK);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
  CoUninitialize();
  CoUninitialize();

  // On a thread without COM the apartment made inside is undone.
  IAMovieSetup* setup = MovieSetup();
  TestThread::RunToEnd([setup] {
    EXPECT_EQ(setup->Register(), S_OK);
    EXPECT_EQ(setup->Unregister(), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();
  });
}

}  // namespace
}  // namespace framework_test
