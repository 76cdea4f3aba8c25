#include "threading/sync_event.h"

SyncEvent::SyncEvent(BOOL manualReset) noexcept : Handle(CreateEventA(nullptr, manualReset, FALSE, nullptr)) {}

SyncEvent::~SyncEvent() {
  if (Handle != nullptr) {
    CloseHandle(Handle);
  }
}

void SyncEvent::Set() noexcept {
  if (Handle != nullptr) {
    SetEvent(Handle);
  }
}

void SyncEvent::Reset() noexcept {
  if (Handle != nullptr) {
    ResetEvent(Handle);
  }
}

bool SyncEvent::Wait(DWORD timeout) noexcept {
  return Handle != nullptr && WaitForSingleObject(Handle, timeout) == WAIT_OBJECT_0;
}
