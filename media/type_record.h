// Operations on the platform's AM_MEDIA_TYPE records, whether plain records
// that cross interfaces or OwnedMediaType values.
//
// Ownership, kept by every operation: a record with cbFormat other than 0
// owns the task-memory block at pbFormat; with cbFormat 0 it owns no block,
// nothing reads or frees pbFormat, and every record built here keeps it none.
// A pUnk other than none is a counted reference that the record holds.
// None of these take a lock: the record's owner guards it.
#pragma once

#include "platform.h"

// The defaults: all zero, then bFixedSizeSamples and lSampleSize 1. Frees and
// releases nothing the record held; meant for records that own nothing yet.
void ResetTypeRecord(AM_MEDIA_TYPE& record);

// Overwrites the target (without releasing what it held) with a copy of the
// source that owns a block and a pUnk reference of its own. E_OUTOFMEMORY when
// the block cannot be allocated: the target then holds the source's GUIDs and
// sample properties, no block and no pUnk, so it owns nothing. E_POINTER,
// with the same outcome, for a source that claims a block (cbFormat not 0)
// but has none.
HRESULT CopyTypeRecord(AM_MEDIA_TYPE& target, const AM_MEDIA_TYPE& source);

// Frees the block and releases pUnk; the GUIDs and sample properties stay.
// Safe to repeat: the record owns nothing afterwards.
void ReleaseTypeRecord(AM_MEDIA_TYPE& record);

// ReleaseTypeRecord, then frees the record itself, which must be task memory
// (as the records an IEnumMediaTypes hands out are). None does nothing.
void DeleteTypeRecord(AM_MEDIA_TYPE* record);

// TRUE for a pattern: majortype or formattype is GUID_NULL (subtype is not
// looked at).
BOOL IsPartialType(const AM_MEDIA_TYPE& record);

// TRUE when the candidate fits the pattern. GUID_NULL in the pattern matches
// anything; a pattern without a formattype ignores the format blocks. The
// candidate's GUID_NULL fields are ordinary values.
BOOL MatchesPattern(const AM_MEDIA_TYPE& candidate, const AM_MEDIA_TYPE& pattern);

// TRUE when both records carry a block of the same size with the same bytes,
// or neither carries one.
BOOL SameFormatBlock(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b);
