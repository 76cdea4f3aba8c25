// Builds media types for the media tests from a short description.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "media/owned_media_type.h"
#include "platform.h"
#include "tests/support/type_description.h"

namespace media_test {

// Arbitrary ids: the media code attaches no meaning to any id but GUID_NULL.
inline constexpr GUID kMajorA{0x11111111, 0x1, 0x1, {1, 1, 1, 1, 1, 1, 1, 1}};
inline constexpr GUID kMajorB{0x22222222, 0x2, 0x2, {2, 2, 2, 2, 2, 2, 2, 2}};
inline constexpr GUID kSubA{0x33333333, 0x3, 0x3, {3, 3, 3, 3, 3, 3, 3, 3}};
inline constexpr GUID kSubB{0x44444444, 0x4, 0x4, {4, 4, 4, 4, 4, 4, 4, 4}};
inline constexpr GUID kFormatA{0x55555555, 0x5, 0x5, {5, 5, 5, 5, 5, 5, 5, 5}};
inline constexpr GUID kFormatB{0x66666666, 0x6, 0x6, {6, 6, 6, 6, 6, 6, 6, 6}};
inline constexpr GUID kNull{};

inline void Build(OwnedMediaType& type, const TypeDescription& fields) {
  type.SetMajorTypeId(fields.major);
  type.SetSubtypeId(fields.sub);
  type.SetFormatTypeId(fields.format);
  EXPECT_TRUE(type.StoreFormatBlock(fields.block.data(), static_cast<ULONG>(fields.block.size())));
}

// The defaults of a new value: nothing specified, fixed-size samples of 1
// byte, nothing owned.
inline void ExpectDefaults(const AM_MEDIA_TYPE& type) {
  EXPECT_TRUE(IsEqualGUID(type.majortype, GUID_NULL));
  EXPECT_TRUE(IsEqualGUID(type.subtype, GUID_NULL));
  EXPECT_TRUE(IsEqualGUID(type.formattype, GUID_NULL));
  EXPECT_EQ(type.bFixedSizeSamples, TRUE);
  EXPECT_EQ(type.bTemporalCompression, FALSE);
  EXPECT_EQ(type.lSampleSize, 1u);
  EXPECT_EQ(type.pUnk, nullptr);
  EXPECT_EQ(type.cbFormat, 0u);
  EXPECT_EQ(type.pbFormat, nullptr);
}

inline std::vector<BYTE> BlockOf(const AM_MEDIA_TYPE& type) {
  return std::vector<BYTE>(type.pbFormat, type.pbFormat + type.cbFormat);
}

}  // namespace media_test
