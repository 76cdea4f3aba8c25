// PinEnumerator through IEnumPins, created by the filter's EnumPins.
#include <gtest/gtest.h>

#include "standin_hooks.h"
#include "tests/framework/framework_fixture.h"

namespace framework_test {
namespace {

class PinEnumeratorTest : public FrameworkTest {
 protected:
  IEnumPins* Enumerate() {
    IEnumPins* pins = nullptr;
    EXPECT_EQ(Base()->EnumPins(&pins), S_OK);
    return pins;
  }

  // Asks Next for `count` pins and releases what it hands out, returning
  // the handed-out pins' indexes (or -1 for one of another filter).
  std::vector<int> Take(IEnumPins* pins, ULONG count, HRESULT expected) {
    std::vector<IPin*> taken(count + 1, nullptr);
    ULONG fetched = 99;
    EXPECT_EQ(pins->Next(count, taken.data(), &fetched), expected);
    EXPECT_LE(fetched, count);
    std::vector<int> indexes;
    for (ULONG i = 0; i < fetched && i < count; ++i) {
      int index = -1;
      for (int pin = 0; pin < Filter().PinsMade(); ++pin) {
        if (taken[i] == PinOf(pin)) {
          index = pin;
        }
      }
      indexes.push_back(index);
      taken[i]->Release();
    }
    return indexes;
  }
};

TEST_F(PinEnumeratorTest, WalksThePinsOnceUntilReset) {
  MakeFilter(1);
  const ULONG before = RefsOf(Base());
  IEnumPins* pins = Enumerate();
  EXPECT_EQ(RefsOf(Base()), before + 1);

  IPin* pin = nullptr;
  EXPECT_EQ(pins->Next(1, &pin, nullptr), S_OK);
  EXPECT_EQ(pin, PinOf(0));
  EXPECT_EQ(RefsOf(Base()), before + 2);
  pin->Release();
  EXPECT_EQ(Take(pins, 1, S_FALSE), std::vector<int>{});
  EXPECT_EQ(pins->Reset(), S_OK);
  EXPECT_EQ(Take(pins, 2, S_FALSE), std::vector<int>{0});
  EXPECT_EQ(Take(pins, 0, S_FALSE), std::vector<int>{});

  EXPECT_EQ(pins->Release(), 0u);
  EXPECT_EQ(RefsOf(Base()), before);
}

TEST_F(PinEnumeratorTest, ArgumentsAreCheckedFirst) {
  MakeFilter(2);
  IEnumPins* pins = Enumerate();
  IPin* two[2] = {};
  EXPECT_EQ(pins->Next(1, nullptr, nullptr), E_POINTER);
  EXPECT_EQ(pins->Next(2, two, nullptr), E_INVALIDARG);
  EXPECT_EQ(two[0], nullptr);
  EXPECT_EQ(pins->Clone(nullptr), E_POINTER);
  EXPECT_EQ(pins->QueryInterface(IID_IEnumPins, nullptr), E_POINTER);
  // Nothing moved.
  EXPECT_EQ(Take(pins, 2, S_OK), (std::vector<int>{0, 1}));
  pins->Release();
}

TEST_F(PinEnumeratorTest, AnswersOnlyItsOwnInterface) {
  MakeFilter(0);
  IEnumPins* pins = Enumerate();
  void* same = nullptr;
  void* unknown = nullptr;
  void* other = pins;
  EXPECT_EQ(pins->QueryInterface(IID_IEnumPins, &same), S_OK);
  EXPECT_EQ(pins->QueryInterface(IID_IUnknown, &unknown), S_OK);
  EXPECT_EQ(pins->QueryInterface(IID_IEnumMediaTypes, &other), E_NOINTERFACE);
  EXPECT_EQ(same, pins);
  EXPECT_EQ(unknown, pins);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(pins->Release(), 2u);
  EXPECT_EQ(pins->Release(), 1u);
  EXPECT_EQ(pins->Release(), 0u);
}

TEST_F(PinEnumeratorTest, SkipMovesOnlyWithinThePinsLeft) {
  MakeFilter(3);
  IEnumPins* pins = Enumerate();
  EXPECT_EQ(pins->Skip(1), S_OK);
  EXPECT_EQ(pins->Skip(3), S_FALSE);
  EXPECT_EQ(Take(pins, 1, S_OK), std::vector<int>{1});
  EXPECT_EQ(pins->Skip(1), S_OK);
  EXPECT_EQ(Take(pins, 1, S_FALSE), std::vector<int>{});
  EXPECT_EQ(pins->Skip(0xFFFFFFFF), S_FALSE);
  pins->Release();
}

TEST_F(PinEnumeratorTest, CloneContinuesAndRemembersWhatWasHandedOut) {
  TestFilter& filter = MakeFilter(3);
  IEnumPins* pins = Enumerate();
  EXPECT_EQ(Take(pins, 1, S_OK), std::vector<int>{0});
  IEnumPins* clone = nullptr;
  ASSERT_EQ(pins->Clone(&clone), S_OK);
  EXPECT_EQ(Take(clone, 1, S_OK), std::vector<int>{1});

  // After a version change the walk starts over but skips what it gave.
  filter.BumpPinVersion();
  EXPECT_EQ(pins->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
  IEnumPins* refused = pins;
  EXPECT_EQ(pins->Clone(&refused), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(Take(clone, 3, S_FALSE), std::vector<int>{2});
  EXPECT_EQ(Take(pins, 3, S_FALSE), (std::vector<int>{1, 2}));

  EXPECT_EQ(pins->Reset(), S_OK);
  EXPECT_EQ(pins->Skip(1), S_OK);
  EXPECT_EQ(Take(pins, 3, S_FALSE), (std::vector<int>{1, 2}));
  clone->Release();
  pins->Release();
}

// A filter whose pins vanish without a version change makes Next stop part
// way; what it had put into the array in that call must come back.
TEST_F(PinEnumeratorTest, OutOfSyncPartWayLosesNoReference) {
  TestFilter& filter = MakeFilter(3);
  IEnumPins* pins = Enumerate();
  const ULONG before = RefsOf(Base());
  filter.visiblePins = 1;
  IPin* taken[3] = {};
  ULONG fetched = 7;
  EXPECT_EQ(pins->Next(3, taken, &fetched), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(taken[0], nullptr);
  EXPECT_EQ(RefsOf(Base()), before);

  // Pin 0 was taken back, so it counts as not handed out: once the list is
  // whole again under a new version, the walk offers it with the others.
  filter.visiblePins = 3;
  filter.BumpPinVersion();
  EXPECT_EQ(Take(pins, 3, S_OK), (std::vector<int>{0, 1, 2}));
  pins->Release();
}

TEST_F(PinEnumeratorTest, OutOfMemoryIsReportedWithNone) {
  MakeFilter(1);
  IEnumPins* pins = reinterpret_cast<IEnumPins*>(&clock);
  StandinFailNthAllocation(1);
  EXPECT_EQ(Base()->EnumPins(&pins), E_OUTOFMEMORY);
  EXPECT_EQ(pins, nullptr);

  pins = Enumerate();
  IEnumPins* clone = pins;
  StandinFailNthAllocation(1);
  EXPECT_EQ(pins->Clone(&clone), E_OUTOFMEMORY);
  EXPECT_EQ(clone, nullptr);

  // A record of handed-out pins that cannot grow costs nothing but the
  // record: the pin is still handed out.
  StandinFailNthAllocation(1);
  EXPECT_EQ(Take(pins, 1, S_OK), std::vector<int>{0});
  StandinFailNthAllocation(0);
  pins->Release();
}

}  // namespace
}  // namespace framework_test
