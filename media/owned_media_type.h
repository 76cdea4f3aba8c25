// OwnedMediaType: a media-type value that owns its format block and its
// reference on pUnk. It is an AM_MEDIA_TYPE and nothing more (no fields, no
// virtual functions), so a pointer to one is a valid record pointer and a
// value may be moved bit for bit into a plain record; after such a move the
// value must be left with cbFormat 0, pbFormat none and pUnk none.
//
// No lock of its own: the owner guards the value.
#pragma once

#include "media/type_record.h"
#include "platform.h"

class OwnedMediaType : public AM_MEDIA_TYPE {
 public:
  OwnedMediaType();
  ~OwnedMediaType();

  // Values are copied with Assign, which can fail.
  OwnedMediaType(const OwnedMediaType&) = delete;
  OwnedMediaType& operator=(const OwnedMediaType&) = delete;

  // Replaces the value by a copy of the source; assigning the value to itself
  // changes nothing. E_OUTOFMEMORY when the copy's block cannot be allocated:
  // the value then holds the source's GUIDs and sample properties and owns
  // nothing.
  HRESULT Assign(const AM_MEDIA_TYPE& source);

  // Equal GUIDs and equal format blocks; the sample properties and pUnk take
  // no part.
  BOOL SameType(const AM_MEDIA_TYPE& other) const;

  void SetMajorTypeId(REFGUID id);
  void SetSubtypeId(REFGUID id);
  // Leaves the format block as it is.
  void SetFormatTypeId(REFGUID id);
  void SetTemporalCompressionFlag(BOOL temporalCompression);

  // Gives the value a block of `size` bytes and returns it. The current size
  // returns the current block with its bytes; another size returns a fresh
  // block of undefined contents and frees the old one; 0 frees the block and
  // returns none. If a fresh block cannot be allocated, a larger request
  // returns none and a smaller one returns the current (larger) block; the
  // value is unchanged either way.
  BYTE* EnsureFormatBlock(ULONG size);

  // EnsureFormatBlock(size), then copies `size` bytes in. `bytes` may lie in
  // the value's own block: when the block is kept they are moved in place,
  // and when it is replaced they are carried into the new one before the old
  // one is freed. Either way nothing past the old block's end is read: that
  // tail is stored as zeros. FALSE, with the value unchanged, only when a
  // larger block cannot be allocated.
  BOOL StoreFormatBlock(const BYTE* bytes, ULONG size);

 private:
  // Frees the block; cbFormat 0, pbFormat none.
  void DropFormatBlock();
  // Replaces the block by a fresh one of `size` (not 0) bytes holding the
  // first `carried` bytes at `from` and zeros after them. None if it cannot
  // be allocated; the value is then unchanged.
  BYTE* ReplaceFormatBlock(ULONG size, const BYTE* from, ULONG carried);
  // How many of `size` bytes at `bytes` lie before the end of the value's own
  // block when they start inside it; `size` when they do not.
  ULONG BytesBeforeBlockEnd(const BYTE* bytes, ULONG size) const;
};

static_assert(sizeof(OwnedMediaType) == sizeof(AM_MEDIA_TYPE));
static_assert(alignof(OwnedMediaType) == alignof(AM_MEDIA_TYPE));
