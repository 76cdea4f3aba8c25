// Apartments and object creation. Each case runs on a fresh thread, since
// apartment state belongs to the thread.
#include <gtest/gtest.h>

#include <vector>

#include "platform.h"
#include "standin_hooks.h"
#include "tests/platform/test_thread.h"

namespace {

enum class Call { Mta, Sta, StaByCoInitialize, Uninitialize };

struct ApartmentCase {
  const char* name;
  std::vector<Call> calls;
  std::vector<HRESULT> results;  // one per call; Uninitialize has S_OK
};

HRESULT Make(Call call) {
  switch (call) {
    case Call::Mta:
      return CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_DISABLE_OLE1DDE);
    case Call::Sta:
      return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    case Call::StaByCoInitialize:
      return CoInitialize(nullptr);
    case Call::Uninitialize:
      CoUninitialize();
      return S_OK;
  }
  return E_FAIL;
}

class ApartmentTest : public ::testing::TestWithParam<ApartmentCase> {};

TEST_P(ApartmentTest, ModelAndCountFollowThePlatform) {
  TestThread::RunToEnd([] {
    const ApartmentCase& given = GetParam();
    for (size_t at = 0; at < given.calls.size(); ++at) {
      EXPECT_EQ(Make(given.calls[at]), given.results[at]) << "call " << at;
    }
  });
}

constexpr HRESULT kChanged = RPC_E_CHANGED_MODE;
INSTANTIATE_TEST_SUITE_P(
    Sequences, ApartmentTest,
    ::testing::Values(
        ApartmentCase{"MtaThenSameThenOther", {Call::Mta, Call::Mta, Call::Sta}, {S_OK, S_FALSE, kChanged}},
        ApartmentCase{
            "StaThenSameThenOther", {Call::StaByCoInitialize, Call::Sta, Call::Mta}, {S_OK, S_FALSE, kChanged}},
        // The refused call is not counted: two uninitialisations end the apartment.
        ApartmentCase{"RefusedCallIsNotCounted",
                      {Call::Mta, Call::Mta, Call::Sta, Call::Uninitialize, Call::Uninitialize, Call::Sta},
                      {S_OK, S_FALSE, kChanged, S_OK, S_OK, S_OK}},
        ApartmentCase{"ExtraUninitializeIsHarmless",
                      {Call::Uninitialize, Call::Sta, Call::Uninitialize, Call::Uninitialize, Call::Mta},
                      {S_OK, S_OK, S_OK, S_OK, S_OK}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Apartment, IsPerThreadAndRefusesAReservedPointer) {
  ASSERT_EQ(Make(Call::Mta), S_OK);
  TestThread::RunToEnd([] { EXPECT_EQ(Make(Call::Sta), S_OK); });
  int reserved = 0;
  EXPECT_EQ(CoInitializeEx(&reserved, COINIT_MULTITHREADED), E_INVALIDARG);
  CoUninitialize();
}

const CLSID kUnknownClass = {0x0DD7B044, 0x4226, 0x4740, {0x87, 0xE0, 0xBB, 0x92, 0xC1, 0x35, 0x64, 0xAC}};

// CoCreateInstance and CoGetClassObject answer alike; `*out` is none after
// every failure.
void ExpectCreationAnswers(HRESULT expected) {
  void* out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(CoCreateInstance(kUnknownClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &out), expected);
  EXPECT_EQ(out, nullptr);
  out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(CoGetClassObject(kUnknownClass, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, &out), expected);
  EXPECT_EQ(out, nullptr);
}

TEST(ObjectCreation, NeedsAnApartmentAndAnswersClassNotRegisteredForUnknownClasses) {
  TestThread::RunToEnd([] {
    EXPECT_EQ(CoCreateInstance(kUnknownClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(CoGetClassObject(kUnknownClass, CLSCTX_INPROC_SERVER, nullptr, IID_IUnknown, nullptr), E_POINTER);
    ExpectCreationAnswers(CO_E_NOTINITIALIZED);
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    ExpectCreationAnswers(REGDB_E_CLASSNOTREG);
    StandinHideClass(kUnknownClass, TRUE);  // hiding what is not there changes nothing
    ExpectCreationAnswers(REGDB_E_CLASSNOTREG);
    StandinHideClass(kUnknownClass, FALSE);
    CoUninitialize();
    ExpectCreationAnswers(CO_E_NOTINITIALIZED);
    CoFreeUnusedLibraries();  // nothing loaded: nothing to do
  });
}

}  // namespace
