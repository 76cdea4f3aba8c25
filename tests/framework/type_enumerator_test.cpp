// TypeEnumerator through IEnumMediaTypes, created by the pin's EnumMediaTypes.
#include <gtest/gtest.h>

#include <limits>

#include "standin_hooks.h"
#include "tests/framework/framework_fixture.h"

namespace framework_test {
namespace {

class TypeEnumeratorTest : public FrameworkTest {
 protected:
  TestPin& PinWithTypes(std::vector<TypeDescription> types) {
    TestPin& pin = MakeFilter(1).Pin(0);
    pin.ownTypes = std::move(types);
    return pin;
  }
  IEnumMediaTypes* Enumerate() {
    IEnumMediaTypes* types = nullptr;
    EXPECT_EQ(PinOf(0)->EnumMediaTypes(&types), S_OK);
    return types;
  }
};

TEST_F(TypeEnumeratorTest, HandsOutRecordsThatTheCallerOwns) {
  TestPin& pin = PinWithTypes({TypeDescription{kMajorA, Sub(1), kFormatA, {9, 8, 7}}});
  pin.proposedUnk = &attachment;
  const ULONG before = RefsOf(Base());
  IEnumMediaTypes* types = Enumerate();
  EXPECT_EQ(RefsOf(Base()), before + 1);

  AM_MEDIA_TYPE* record = nullptr;
  ULONG fetched = 0;
  ASSERT_EQ(types->Next(1, &record, &fetched), S_OK);
  EXPECT_EQ(fetched, 1u);
  EXPECT_TRUE(IsEqualGUID(record->subtype, Sub(1)));
  ASSERT_EQ(record->cbFormat, 3u);
  EXPECT_EQ(record->pbFormat[2], 7);
  EXPECT_EQ(record->pUnk, &attachment);
  EXPECT_EQ(attachment.References(), 1u);
  DeleteTypeRecord(record);
  EXPECT_EQ(attachment.References(), 0u);

  EXPECT_EQ(types->Next(1, &record, &fetched), S_FALSE);
  EXPECT_EQ(fetched, 0u);
  // The position moves on for a position without a type too.
  EXPECT_EQ(pin.proposedPositions, (std::vector<LONG>{0, 1}));

  EXPECT_EQ(types->Release(), 0u);
  EXPECT_EQ(RefsOf(Base()), before);
}

TEST_F(TypeEnumeratorTest, CountsAndArguments) {
  PinWithTypes({TypeA(1), TypeA(2)});
  IEnumMediaTypes* types = Enumerate();
  AM_MEDIA_TYPE* records[2] = {};
  ULONG fetched = 5;
  EXPECT_EQ(types->Next(0, records, &fetched), S_OK);
  EXPECT_EQ(fetched, 0u);
  EXPECT_EQ(types->Next(1, nullptr, &fetched), E_POINTER);
  EXPECT_EQ(types->Next(2, records, nullptr), E_INVALIDARG);
  EXPECT_EQ(types->Clone(nullptr), E_POINTER);

  EXPECT_EQ(types->Next(2, records, &fetched), S_OK);
  EXPECT_EQ(fetched, 2u);
  DeleteTypeRecord(records[0]);
  DeleteTypeRecord(records[1]);
  types->Release();
}

TEST_F(TypeEnumeratorTest, SkipGoesPastTheEndAndResetComesBack) {
  TestPin& pin = PinWithTypes({TypeA(1)});
  IEnumMediaTypes* types = Enumerate();
  EXPECT_EQ(types->Skip(5), S_FALSE);
  AM_MEDIA_TYPE* record = nullptr;
  EXPECT_EQ(types->Next(1, &record, nullptr), S_FALSE);
  EXPECT_EQ(pin.proposedPositions, (std::vector<LONG>{4, 5}));

  EXPECT_EQ(types->Reset(), S_OK);
  EXPECT_EQ(types->Skip(1), S_OK);  // position 0 holds a type
  EXPECT_EQ(types->Reset(), S_OK);
  ASSERT_EQ(types->Next(1, &record, nullptr), S_OK);
  DeleteTypeRecord(record);
  types->Release();
}

TEST_F(TypeEnumeratorTest, PositionStopsAtTheLargestLongInsteadOfWrapping) {
  TestPin& pin = PinWithTypes({TypeA(1)});
  IEnumMediaTypes* types = Enumerate();
  constexpr LONG kLast = std::numeric_limits<LONG>::max();
  EXPECT_EQ(types->Skip(0x7FFFFFFF), S_FALSE);
  EXPECT_EQ(types->Skip(0xFFFFFFFF), S_FALSE);
  AM_MEDIA_TYPE* record = nullptr;
  EXPECT_EQ(types->Next(1, &record, nullptr), S_FALSE);
  EXPECT_EQ(pin.proposedPositions, (std::vector<LONG>{kLast - 1, kLast - 1, kLast}));
  types->Release();
}

TEST_F(TypeEnumeratorTest, ChangedListIsOutOfSyncUntilReset) {
  TestPin& pin = PinWithTypes({TypeA(1), TypeA(2)});
  IEnumMediaTypes* types = Enumerate();
  IEnumMediaTypes* clone = nullptr;
  ASSERT_EQ(types->Skip(1), S_OK);
  ASSERT_EQ(types->Clone(&clone), S_OK);

  pin.BumpTypeVersion();
  AM_MEDIA_TYPE* record = nullptr;
  ULONG fetched = 3;
  EXPECT_EQ(types->Next(1, &record, &fetched), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(fetched, 3u);  // the version is checked before fetched is touched
  EXPECT_EQ(types->Skip(1), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(types->Skip(0), S_OK);
  IEnumMediaTypes* refused = types;
  EXPECT_EQ(types->Clone(&refused), VFW_E_ENUM_OUT_OF_SYNC);
  EXPECT_EQ(refused, nullptr);
  EXPECT_EQ(clone->Next(1, &record, nullptr), VFW_E_ENUM_OUT_OF_SYNC);

  // Reset takes a fresh snapshot.
  ASSERT_EQ(clone->Reset(), S_OK);
  ASSERT_EQ(clone->Skip(1), S_OK);
  ASSERT_EQ(clone->Next(1, &record, nullptr), S_OK);
  EXPECT_TRUE(IsEqualGUID(record->subtype, Sub(2)));
  DeleteTypeRecord(record);
  EXPECT_EQ(types->Reset(), S_OK);
  ASSERT_EQ(types->Next(1, &record, nullptr), S_OK);
  EXPECT_TRUE(IsEqualGUID(record->subtype, Sub(1)));
  DeleteTypeRecord(record);
  clone->Release();
  types->Release();
}

TEST_F(TypeEnumeratorTest, CloneStandsWhereTheSourceStood) {
  PinWithTypes({TypeA(1), TypeA(2)});
  IEnumMediaTypes* types = Enumerate();
  ASSERT_EQ(types->Skip(1), S_OK);
  IEnumMediaTypes* clone = nullptr;
  ASSERT_EQ(types->Clone(&clone), S_OK);
  AM_MEDIA_TYPE* record = nullptr;
  ASSERT_EQ(clone->Next(1, &record, nullptr), S_OK);
  EXPECT_TRUE(IsEqualGUID(record->subtype, Sub(2)));
  DeleteTypeRecord(record);
  types->Release();
  // The clone holds its own reference on the pin.
  ASSERT_EQ(clone->Reset(), S_OK);
  EXPECT_EQ(clone->Release(), 0u);
}

TEST_F(TypeEnumeratorTest, OutOfMemoryEndsTheWalkOrRefusesTheObject) {
  PinWithTypes({TypeA(1), TypeA(2)});
  IEnumMediaTypes* types = reinterpret_cast<IEnumMediaTypes*>(&clock);
  StandinFailNthAllocation(1);
  EXPECT_EQ(PinOf(0)->EnumMediaTypes(&types), E_OUTOFMEMORY);
  EXPECT_EQ(types, nullptr);

  types = Enumerate();
  IEnumMediaTypes* clone = types;
  StandinFailNthAllocation(1);
  EXPECT_EQ(types->Clone(&clone), E_OUTOFMEMORY);
  EXPECT_EQ(clone, nullptr);

  AM_MEDIA_TYPE* records[2] = {};
  ULONG fetched = 0;
  StandinFailNthAllocation(2);  // the second record
  EXPECT_EQ(types->Next(2, records, &fetched), S_FALSE);
  StandinFailNthAllocation(0);
  EXPECT_EQ(fetched, 1u);
  EXPECT_NE(records[0], nullptr);
  EXPECT_EQ(records[1], nullptr);
  DeleteTypeRecord(records[0]);
  types->Release();
}

}  // namespace
}  // namespace framework_test
