// PointerList: an ordered list of untyped object pointers, a doubly linked
// list of separately allocated entries. It neither references nor owns what
// the pointers point to. No lock: its owner guards it.
#pragma once

#include "module/module_heap.h"
#include "platform.h"

class PointerList {
 public:
  PointerList() noexcept = default;
  ~PointerList();

  PointerList(const PointerList&) = delete;
  PointerList& operator=(const PointerList&) = delete;

  // Adds `pointer` at the tail. FALSE, with the list unchanged, when no entry
  // can be allocated.
  BOOL Append(void* pointer) noexcept;
  // TRUE when some entry holds exactly `pointer`.
  BOOL Find(const void* pointer) const noexcept;
  // Frees the tail entry, if there is one.
  void RemoveLast() noexcept;
  // Frees every entry; the list is empty afterwards.
  void RemoveAll() noexcept;
  // Appends each pointer of `other` in order; stops at the first failed
  // Append and reports FALSE (the entries appended so far stay).
  BOOL AppendList(const PointerList& other) noexcept;

  LONG Count() const noexcept { return EntryCount; }

 private:
  struct Entry : ModuleHeapObject {
    void* Pointer;
    Entry* Previous;
    Entry* Next;
  };

  Entry* Head = nullptr;
  Entry* Tail = nullptr;
  LONG EntryCount = 0;
};
