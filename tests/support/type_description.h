// A media type in a line, for fakes and test pins that offer type lists.
#pragma once

#include <cstring>
#include <vector>

#include "media/type_record.h"
#include "platform.h"

struct TypeDescription {
  GUID major = GUID_NULL;
  GUID sub = GUID_NULL;
  GUID format = GUID_NULL;
  std::vector<BYTE> block = {};
};

// Writes the description into a record that owns nothing yet; the format
// block is task memory that the record then owns. FALSE if the block cannot
// be had.
inline bool FillRecord(AM_MEDIA_TYPE& record, const TypeDescription& description) {
  ResetTypeRecord(record);
  record.majortype = description.major;
  record.subtype = description.sub;
  record.formattype = description.format;
  if (description.block.empty()) {
    return true;
  }
  record.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(description.block.size()));
  if (record.pbFormat == nullptr) {
    return false;
  }
  std::memcpy(record.pbFormat, description.block.data(), description.block.size());
  record.cbFormat = static_cast<ULONG>(description.block.size());
  return true;
}
