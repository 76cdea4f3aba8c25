#include "framework/pointer_list.h"

PointerList::~PointerList() { RemoveAll(); }

BOOL PointerList::Append(void* pointer) noexcept {
  auto* entry = new (std::nothrow) Entry;
  if (entry == nullptr) {
    return FALSE;
  }
  entry->Pointer = pointer;
  entry->Previous = Tail;
  entry->Next = nullptr;
  if (Tail != nullptr) {
    Tail->Next = entry;
  } else {
    Head = entry;
  }
  Tail = entry;
  ++EntryCount;
  return TRUE;
}

BOOL PointerList::Find(const void* pointer) const noexcept {
  for (const Entry* entry = Head; entry != nullptr; entry = entry->Next) {
    if (entry->Pointer == pointer) {
      return TRUE;
    }
  }
  return FALSE;
}

void PointerList::RemoveLast() noexcept {
  Entry* last = Tail;
  if (last == nullptr) {
    return;
  }
  Tail = last->Previous;
  if (Tail != nullptr) {
    Tail->Next = nullptr;
  } else {
    Head = nullptr;
  }
  --EntryCount;
  delete last;
}

void PointerList::RemoveAll() noexcept {
  Entry* entry = Head;
  while (entry != nullptr) {
    Entry* next = entry->Next;
    delete entry;
    entry = next;
  }
  Head = nullptr;
  Tail = nullptr;
  EntryCount = 0;
}

BOOL PointerList::AppendList(const PointerList& other) noexcept {
  // Counted rather than walked to the end, so that appending a list to
  // itself copies each entry once.
  const Entry* entry = other.Head;
  for (LONG left = other.EntryCount; left > 0; --left, entry = entry->Next) {
    if (!Append(entry->Pointer)) {
      return FALSE;
    }
  }
  return TRUE;
}
