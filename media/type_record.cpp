#include "media/type_record.h"

#include <cstring>

namespace {

// GUID_NULL in a pattern field means "any".
bool FieldFits(REFGUID candidate, REFGUID pattern) {
  return IsEqualGUID(pattern, GUID_NULL) || IsEqualGUID(pattern, candidate);
}

}  // namespace

void ResetTypeRecord(AM_MEDIA_TYPE& record) {
  std::memset(&record, 0, sizeof(record));
  record.bFixedSizeSamples = TRUE;
  record.lSampleSize = 1;
}

namespace {

// Whether a record claims a format block that it does not have: a peer's
// malformed record, which nothing may read through.
bool LacksItsBlock(const AM_MEDIA_TYPE& record) { return record.cbFormat != 0 && record.pbFormat == nullptr; }

}  // namespace

HRESULT CopyTypeRecord(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source) {
  // Read before writing: the target may be the source itself.
  const BYTE* sourceBlock = source.pbFormat;
  const bool malformed = LacksItsBlock(source);
  target = source;
  target.pbFormat = nullptr;
  if (target.cbFormat != 0) {
    auto* block = malformed ? nullptr : static_cast<BYTE*>(CoTaskMemAlloc(target.cbFormat));
    if (block == nullptr) {
      // Own nothing: a caller that drops the failed copy leaks nothing.
      target.cbFormat = 0;
      target.pUnk = nullptr;
      return malformed ? E_POINTER : E_OUTOFMEMORY;
    }
    std::memcpy(block, sourceBlock, target.cbFormat);
    target.pbFormat = block;
  }
  if (target.pUnk != nullptr) {
    target.pUnk->AddRef();
  }
  return S_OK;
}

void ReleaseTypeRecord(AM_MEDIA_TYPE& record) {
  if (record.cbFormat != 0) {
    CoTaskMemFree(record.pbFormat);
    record.cbFormat = 0;
  }
  record.pbFormat = nullptr;
  if (record.pUnk != nullptr) {
    // Cleared before the call: Release may reach code that looks at the record.
    IUnknown* unknown = record.pUnk;
    record.pUnk = nullptr;
    unknown->Release();
  }
}

void DeleteTypeRecord(AM_MEDIA_TYPE* record) {
  if (record != nullptr) {
    ReleaseTypeRecord(*record);
    CoTaskMemFree(record);
  }
}

BOOL IsPartialType(const AM_MEDIA_TYPE& record) {
  return IsEqualGUID(record.majortype, GUID_NULL) || IsEqualGUID(record.formattype, GUID_NULL);
}

BOOL MatchesPattern(const AM_MEDIA_TYPE& candidate, const AM_MEDIA_TYPE& pattern) {
  if (!FieldFits(candidate.majortype, pattern.majortype) || !FieldFits(candidate.subtype, pattern.subtype)) {
    return FALSE;
  }
  if (IsEqualGUID(pattern.formattype, GUID_NULL)) {
    return TRUE;
  }
  return IsEqualGUID(candidate.formattype, pattern.formattype) && SameFormatBlock(candidate, pattern);
}

BOOL SameFormatBlock(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  if (a.cbFormat != b.cbFormat || LacksItsBlock(a) || LacksItsBlock(b)) {
    return FALSE;
  }
  return a.cbFormat == 0 || std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}
