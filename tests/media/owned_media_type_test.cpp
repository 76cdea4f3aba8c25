#include "media/owned_media_type.h"

#include <gtest/gtest.h>

#include <type_traits>

#include "standin_hooks.h"
#include "tests/support/counting_unknown.h"
#include "type_builder.h"

namespace {

using namespace media_test;

static_assert(!std::is_copy_constructible_v<OwnedMediaType>);
static_assert(!std::is_copy_assignable_v<OwnedMediaType>);

const std::vector<BYTE> kBlock = {10, 11, 12, 13, 14, 15, 16, 17};

class OwnedMediaTypeTest : public ::testing::Test {
 protected:
  void TearDown() override { StandinFailNthAllocation(0); }

  void TakeReference(OwnedMediaType& type) {
    type.pUnk = &unknown_;
    unknown_.AddRef();
  }

  // type_ holds a block and a reference on `previous`; `source` a different
  // block and a reference on unknown_.
  void PrepareAssignment(CountingUnknown& previous, OwnedMediaType& source) {
    Build(type_, {kMajorB, kSubB, kFormatB, {1, 2, 3}});
    type_.pUnk = &previous;
    previous.AddRef();
    Build(source, {kMajorA, kSubA, kFormatA, kBlock});
    TakeReference(source);
  }

  CountingUnknown unknown_;
  OwnedMediaType type_;
};

TEST_F(OwnedMediaTypeTest, NewValueHasDefaults) {
  ExpectDefaults(type_);
  EXPECT_TRUE(IsPartialType(type_));
}

TEST_F(OwnedMediaTypeTest, DestructionGivesUpBlockAndReference) {
  {
    OwnedMediaType type;
    Build(type, {kMajorA, kSubA, kFormatA, kBlock});
    TakeReference(type);
  }
  EXPECT_EQ(unknown_.References(), 0u);
}

TEST_F(OwnedMediaTypeTest, AssignFromItselfChangesNothing) {
  Build(type_, {kMajorA, kSubA, kFormatA, kBlock});
  TakeReference(type_);
  BYTE* block = type_.pbFormat;

  EXPECT_EQ(type_.Assign(type_), S_OK);

  EXPECT_EQ(type_.pbFormat, block);
  EXPECT_EQ(BlockOf(type_), kBlock);
  EXPECT_EQ(type_.pUnk, &unknown_);
  EXPECT_EQ(unknown_.References(), 1u);
}

TEST_F(OwnedMediaTypeTest, AssignReplacesWithIndependentCopy) {
  CountingUnknown previous;
  OwnedMediaType source;
  PrepareAssignment(previous, source);

  ASSERT_EQ(type_.Assign(source), S_OK);

  EXPECT_EQ(previous.References(), 0u);
  EXPECT_TRUE(type_.SameType(source));
  EXPECT_NE(type_.pbFormat, source.pbFormat);
  EXPECT_EQ(type_.pUnk, &unknown_);
  EXPECT_EQ(unknown_.References(), 2u);
  source.pbFormat[0] = 0;
  EXPECT_EQ(BlockOf(type_), kBlock);
}

TEST_F(OwnedMediaTypeTest, FailedAssignReleasesOldContentsAndOwnsNothing) {
  CountingUnknown previous;
  OwnedMediaType source;
  PrepareAssignment(previous, source);
  const LONG allocationsBefore = StandinAllocationCount();

  StandinFailNthAllocation(1);
  EXPECT_EQ(type_.Assign(source), E_OUTOFMEMORY);

  EXPECT_EQ(StandinAllocationCount(), allocationsBefore);
  EXPECT_EQ(previous.References(), 0u);
  EXPECT_EQ(type_.cbFormat, 0u);
  EXPECT_EQ(type_.pbFormat, nullptr);
  EXPECT_EQ(type_.pUnk, nullptr);
  EXPECT_EQ(unknown_.References(), 1u);
  EXPECT_TRUE(IsEqualGUID(type_.majortype, kMajorA));
  EXPECT_TRUE(IsEqualGUID(type_.formattype, kFormatA));
}

TEST_F(OwnedMediaTypeTest, SameTypeComparesIdsAndFormatBlockOnly) {
  struct Case {
    const char* name;
    void (*change)(OwnedMediaType&);
    BOOL same;
  };
  static CountingUnknown other;
  const Case cases[] = {
      {"identical", [](OwnedMediaType&) {}, TRUE},
      {"sample size", [](OwnedMediaType& t) { t.lSampleSize = 4; }, TRUE},
      {"fixed size flag", [](OwnedMediaType& t) { t.bFixedSizeSamples = FALSE; }, TRUE},
      {"temporal compression", [](OwnedMediaType& t) { t.SetTemporalCompressionFlag(TRUE); }, TRUE},
      {"pUnk",
       [](OwnedMediaType& t) {
         t.pUnk = &other;
         other.AddRef();
       },
       TRUE},
      {"majortype", [](OwnedMediaType& t) { t.SetMajorTypeId(kMajorB); }, FALSE},
      {"subtype", [](OwnedMediaType& t) { t.SetSubtypeId(kSubB); }, FALSE},
      {"subtype GUID_NULL", [](OwnedMediaType& t) { t.SetSubtypeId(GUID_NULL); }, FALSE},
      {"formattype", [](OwnedMediaType& t) { t.SetFormatTypeId(kFormatB); }, FALSE},
      {"one block byte", [](OwnedMediaType& t) { t.pbFormat[7] ^= 1; }, FALSE},
      {"shorter block", [](OwnedMediaType& t) { t.StoreFormatBlock(kBlock.data(), 7); }, FALSE},
      {"no block", [](OwnedMediaType& t) { t.EnsureFormatBlock(0); }, FALSE},
  };
  OwnedMediaType base;
  Build(base, {kMajorA, kSubA, kFormatA, kBlock});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OwnedMediaType changed;
    ASSERT_EQ(changed.Assign(base), S_OK);
    c.change(changed);
    EXPECT_EQ(base.SameType(changed), c.same);
    EXPECT_EQ(changed.SameType(base), c.same);
  }
  EXPECT_EQ(other.References(), 0u);

  OwnedMediaType a;
  OwnedMediaType b;
  Build(a, {kMajorA, kSubA, kFormatA});
  Build(b, {kMajorA, kSubA, kFormatA});
  EXPECT_TRUE(a.SameType(b)) << "two types without blocks";
}

TEST_F(OwnedMediaTypeTest, EnsureFormatBlockKeepsCurrentSizeAndReplacesOthers) {
  ASSERT_TRUE(type_.StoreFormatBlock(kBlock.data(), 8));
  BYTE* first = type_.pbFormat;
  const LONG allocationsBefore = StandinAllocationCount();

  EXPECT_EQ(type_.EnsureFormatBlock(8), first);
  EXPECT_EQ(StandinAllocationCount(), allocationsBefore);
  EXPECT_EQ(BlockOf(type_), kBlock);

  BYTE* larger = type_.EnsureFormatBlock(20);
  ASSERT_NE(larger, nullptr);
  EXPECT_NE(larger, first);
  EXPECT_EQ(type_.pbFormat, larger);
  EXPECT_EQ(type_.cbFormat, 20u);

  BYTE* smaller = type_.EnsureFormatBlock(2);
  ASSERT_NE(smaller, nullptr);
  EXPECT_NE(smaller, larger);
  EXPECT_EQ(type_.cbFormat, 2u);
}

TEST_F(OwnedMediaTypeTest, EnsureFormatBlockOfZeroFreesTheBlock) {
  ASSERT_TRUE(type_.StoreFormatBlock(kBlock.data(), 8));

  EXPECT_EQ(type_.EnsureFormatBlock(0), nullptr);

  EXPECT_EQ(type_.cbFormat, 0u);
  EXPECT_EQ(type_.pbFormat, nullptr);
  EXPECT_EQ(type_.EnsureFormatBlock(0), nullptr);
}

TEST_F(OwnedMediaTypeTest, EnsureFormatBlockFailingLeavesValueUnchanged) {
  ASSERT_TRUE(type_.StoreFormatBlock(kBlock.data(), 8));
  BYTE* block = type_.pbFormat;

  StandinFailNthAllocation(1);
  EXPECT_EQ(type_.EnsureFormatBlock(9), nullptr) << "larger";
  StandinFailNthAllocation(1);
  EXPECT_EQ(type_.EnsureFormatBlock(4), block) << "smaller keeps the larger block";

  EXPECT_EQ(type_.pbFormat, block);
  EXPECT_EQ(type_.cbFormat, 8u);
  EXPECT_EQ(BlockOf(type_), kBlock);
}

// Stores whose source is the value's own block: the bytes must survive a
// change of block, and nothing may be read after it is freed or past its end
// (the sanitizer build would stop); a source running past the end is stored
// with that tail as zeros. A smaller store whose allocation fails keeps the
// larger block and moves the bytes within it.
TEST_F(OwnedMediaTypeTest, StoreFormatBlockFromOwnBlock) {
  struct Case {
    const char* name;
    ULONG offset;  // where in the own block the source starts
    ULONG size;
    bool failAllocation;
    std::vector<BYTE> expected;
  };
  const Case cases[] = {
      {"same size, in place", 0, 8, false, kBlock},
      {"larger", 0, 10, false, {10, 11, 12, 13, 14, 15, 16, 17, 0, 0}},
      {"smaller", 0, 3, false, {10, 11, 12}},
      {"tail into larger", 5, 10, false, {15, 16, 17, 0, 0, 0, 0, 0, 0, 0}},
      {"tail into smaller", 2, 6, false, {12, 13, 14, 15, 16, 17}},
      {"smaller, allocation fails", 2, 6, true, {12, 13, 14, 15, 16, 17, 16, 17}},
      {"tail at the same size", 3, 8, false, {13, 14, 15, 16, 17, 0, 0, 0}},
      {"tail into smaller, allocation fails", 5, 6, true, {15, 16, 17, 0, 0, 0, 16, 17}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OwnedMediaType type;
    ASSERT_TRUE(type.StoreFormatBlock(kBlock.data(), 8));
    StandinFailNthAllocation(c.failAllocation ? 1 : 0);
    EXPECT_TRUE(type.StoreFormatBlock(type.pbFormat + c.offset, c.size));
    EXPECT_EQ(BlockOf(type), c.expected);
  }
}

TEST_F(OwnedMediaTypeTest, StoreFormatBlockEdges) {
  ASSERT_TRUE(type_.StoreFormatBlock(kBlock.data(), 8));
  BYTE* block = type_.pbFormat;

  StandinFailNthAllocation(1);
  EXPECT_FALSE(type_.StoreFormatBlock(kBlock.data(), 9)) << "larger block unavailable";
  EXPECT_EQ(type_.pbFormat, block);
  EXPECT_EQ(BlockOf(type_), kBlock);

  EXPECT_TRUE(type_.StoreFormatBlock(kBlock.data(), 0));
  EXPECT_EQ(type_.cbFormat, 0u);
  EXPECT_EQ(type_.pbFormat, nullptr);
}

}  // namespace
