#include "media/type_record.h"

#include <gtest/gtest.h>

#include "media/owned_media_type.h"
#include "type_builder.h"
#include "standin_hooks.h"
#include "tests/support/counting_unknown.h"

namespace {

using namespace media_test;

class TypeRecordTest : public ::testing::Test {
 protected:
  void TearDown() override { StandinFailNthAllocation(0); }

  // A complete type with a block and a pUnk reference of its own.
  void BuildSource() {
    Build(source_, {kMajorA, kSubA, kFormatA, {1, 2, 3, 4, 5}});
    source_.bFixedSizeSamples = FALSE;
    source_.bTemporalCompression = TRUE;
    source_.lSampleSize = 720;
    source_.pUnk = &unknown_;
    unknown_.AddRef();
  }

  CountingUnknown unknown_;
  OwnedMediaType source_;
};

TEST_F(TypeRecordTest, ResetSetsDefaultsAndReleasesNothing) {
  BuildSource();
  AM_MEDIA_TYPE view = source_;  // a second record pointing at what source_ owns

  ResetTypeRecord(view);

  ExpectDefaults(view);
  EXPECT_EQ(unknown_.References(), 1u);
  EXPECT_EQ(BlockOf(source_), (std::vector<BYTE>{1, 2, 3, 4, 5}));
}

TEST_F(TypeRecordTest, CopyOwnsAnIndependentBlockAndAReference) {
  BuildSource();
  AM_MEDIA_TYPE target;
  ResetTypeRecord(target);

  ASSERT_EQ(CopyTypeRecord(target, source_), S_OK);

  EXPECT_TRUE(source_.SameType(target));
  EXPECT_EQ(target.bFixedSizeSamples, FALSE);
  EXPECT_EQ(target.bTemporalCompression, TRUE);
  EXPECT_EQ(target.lSampleSize, 720u);
  EXPECT_NE(target.pbFormat, source_.pbFormat);
  EXPECT_EQ(target.pUnk, &unknown_);
  EXPECT_EQ(unknown_.References(), 2u);

  source_.pbFormat[0] = 9;
  EXPECT_EQ(target.pbFormat[0], 1);

  ReleaseTypeRecord(target);
  EXPECT_EQ(unknown_.References(), 1u);
}

TEST_F(TypeRecordTest, CopyWithoutBlockLeavesTargetWithoutFormatPointer) {
  BYTE foreign[4] = {};
  AM_MEDIA_TYPE source;
  ResetTypeRecord(source);
  source.majortype = kMajorA;
  source.pbFormat = foreign;  // cbFormat 0: not a block the source owns
  AM_MEDIA_TYPE target;
  ResetTypeRecord(target);

  ASSERT_EQ(CopyTypeRecord(target, source), S_OK);

  EXPECT_EQ(target.cbFormat, 0u);
  EXPECT_EQ(target.pbFormat, nullptr);
  EXPECT_TRUE(IsEqualGUID(target.majortype, kMajorA));
}

// A failed copy owns nothing: no block and no pUnk, so dropping it leaks nothing
// and releasing it releases nothing it does not hold.
TEST_F(TypeRecordTest, FailedCopyOwnsNothing) {
  BuildSource();
  AM_MEDIA_TYPE target;
  ResetTypeRecord(target);
  const LONG allocationsBefore = StandinAllocationCount();

  StandinFailNthAllocation(1);
  EXPECT_EQ(CopyTypeRecord(target, source_), E_OUTOFMEMORY);

  EXPECT_EQ(StandinAllocationCount(), allocationsBefore);
  EXPECT_EQ(target.cbFormat, 0u);
  EXPECT_EQ(target.pbFormat, nullptr);
  EXPECT_EQ(target.pUnk, nullptr);
  EXPECT_EQ(unknown_.References(), 1u);
  EXPECT_TRUE(IsEqualGUID(target.majortype, kMajorA));
  EXPECT_TRUE(IsEqualGUID(target.subtype, kSubA));
  EXPECT_TRUE(IsEqualGUID(target.formattype, kFormatA));
  EXPECT_EQ(target.lSampleSize, 720u);
  EXPECT_EQ(target.bTemporalCompression, TRUE);

  ReleaseTypeRecord(target);
  EXPECT_EQ(unknown_.References(), 1u);
}

// A peer's record may claim a format block it does not have: it is copied
// as nothing owned and compares equal to nothing, and never read.
TEST_F(TypeRecordTest, RecordClaimingAMissingBlockIsNeverRead) {
  BuildSource();
  AM_MEDIA_TYPE malformed = source_;
  malformed.pbFormat = nullptr;

  AM_MEDIA_TYPE target;
  ResetTypeRecord(target);
  EXPECT_EQ(CopyTypeRecord(target, malformed), E_POINTER);
  EXPECT_EQ(target.cbFormat, 0u);
  EXPECT_EQ(target.pbFormat, nullptr);
  EXPECT_EQ(target.pUnk, nullptr);
  EXPECT_EQ(unknown_.References(), 1u);

  EXPECT_FALSE(source_.SameType(malformed));
  EXPECT_FALSE(MatchesPattern(malformed, source_));
  EXPECT_FALSE(MatchesPattern(source_, malformed));
}

TEST_F(TypeRecordTest, ReleaseTwiceFreesAndReleasesOnce) {
  BuildSource();

  ReleaseTypeRecord(source_);
  EXPECT_EQ(unknown_.References(), 0u);
  EXPECT_EQ(source_.cbFormat, 0u);
  EXPECT_EQ(source_.pbFormat, nullptr);
  EXPECT_EQ(source_.pUnk, nullptr);
  EXPECT_TRUE(IsEqualGUID(source_.majortype, kMajorA));
  EXPECT_EQ(source_.lSampleSize, 720u);

  ReleaseTypeRecord(source_);  // a double free would stop the sanitizer build
  EXPECT_EQ(unknown_.References(), 0u);
}

TEST_F(TypeRecordTest, DeleteReleasesContentsAndFreesTaskMemoryRecord) {
  DeleteTypeRecord(nullptr);

  BuildSource();
  auto* record = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  ASSERT_NE(record, nullptr);
  ResetTypeRecord(*record);
  ASSERT_EQ(CopyTypeRecord(*record, source_), S_OK);
  ASSERT_EQ(unknown_.References(), 2u);

  DeleteTypeRecord(record);  // the record and its block: leaks show in the sanitizer build
  EXPECT_EQ(unknown_.References(), 1u);
}

TEST(IsPartialType, LooksAtMajorAndFormatTypeOnly) {
  struct Case {
    const char* name;
    TypeDescription type;
    BOOL partial;
  };
  const Case cases[] = {
      {"nothing set", {}, TRUE},
      {"major only", {kMajorA, kSubA, kNull}, TRUE},
      {"format only", {kNull, kSubA, kFormatA}, TRUE},
      {"major and format, no subtype", {kMajorA, kNull, kFormatA}, FALSE},
      {"all set", {kMajorA, kSubA, kFormatA}, FALSE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OwnedMediaType type;
    Build(type, c.type);
    EXPECT_EQ(IsPartialType(type), c.partial);
  }
}

TEST(MatchesPattern, TableOfCandidatesAndPatterns) {
  const std::vector<BYTE> block = {1, 2, 3, 4};
  const std::vector<BYTE> otherByte = {1, 2, 3, 5};
  struct Case {
    const char* name;
    TypeDescription candidate;
    TypeDescription pattern;
    BOOL matches;
  };
  const Case cases[] = {
      {"empty pattern", {kMajorA, kSubA, kFormatA, block}, {}, TRUE},
      {"major only, any block", {kMajorA, kSubA, kFormatA, block}, {kMajorA}, TRUE},
      {"major only, other block", {kMajorA, kSubB, kFormatB, otherByte}, {kMajorA}, TRUE},
      {"other major", {kMajorB, kSubA, kFormatA, block}, {kMajorA}, FALSE},
      {"subtype only", {kMajorB, kSubA, kFormatA}, {kNull, kSubA}, TRUE},
      {"other subtype", {kMajorA, kSubB, kFormatA}, {kMajorA, kSubA}, FALSE},
      {"candidate without subtype", {kMajorA, kNull, kFormatA}, {kMajorA, kSubA}, FALSE},
      {"other formattype", {kMajorA, kSubA, kFormatB}, {kMajorA, kSubA, kFormatA}, FALSE},
      {"formattype, no blocks", {kMajorA, kSubA, kFormatA}, {kMajorA, kSubA, kFormatA}, TRUE},
      {"formattype, pattern without block", {kMajorA, kSubA, kFormatA, block}, {kMajorA, kSubA, kFormatA}, FALSE},
      {"formattype, candidate without block", {kMajorA, kSubA, kFormatA}, {kMajorA, kSubA, kFormatA, block}, FALSE},
      {"equal blocks", {kMajorA, kSubA, kFormatA, block}, {kNull, kNull, kFormatA, block}, TRUE},
      {"blocks differ in a byte", {kMajorA, kSubA, kFormatA, otherByte}, {kMajorA, kSubA, kFormatA, block}, FALSE},
  };
  CountingUnknown unknown;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OwnedMediaType candidate;
    OwnedMediaType pattern;
    Build(candidate, c.candidate);
    Build(pattern, c.pattern);
    // Sample properties and pUnk take no part.
    candidate.lSampleSize = 4;
    candidate.bFixedSizeSamples = FALSE;
    candidate.pUnk = &unknown;
    unknown.AddRef();
    EXPECT_EQ(MatchesPattern(candidate, pattern), c.matches);
  }
  EXPECT_EQ(unknown.References(), 0u);
}

}  // namespace
