#include "event_object.h"

#include <memory>

#include "export_guard.h"
#include "handle_table.h"

namespace standin {

void EventObject::Set() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    signalled_ = true;
  }
  // Every waiter re-checks under the lock; for an auto-reset event only the
  // first one to do so gets the signal.
  changed_.notify_all();
}

void EventObject::Reset() {
  std::lock_guard<std::mutex> hold(lock_);
  signalled_ = false;
}

DWORD EventObject::Wait(DWORD milliseconds) {
  std::unique_lock<std::mutex> hold(lock_);
  if (!WaitUntil(changed_, hold, milliseconds, [this] { return signalled_; })) {
    return WAIT_TIMEOUT;
  }
  if (!manualReset_) {
    signalled_ = false;
  }
  return WAIT_OBJECT_0;
}

}  // namespace standin

using standin::EventObject;
using standin::FindObject;
using standin::Guarded;

extern "C" {

// Names and security attributes are accepted and ignored: events here are
// private to the process.
HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR) {
  return Guarded<HANDLE>(nullptr, [&] {
    return standin::HandleTable::Instance().Insert(
        std::make_shared<EventObject>(manualReset != FALSE, initialState != FALSE));
  });
}

BOOL WINAPI SetEvent(HANDLE event) {
  return Guarded<BOOL>(FALSE, [&] {
    auto object = FindObject<EventObject>(event);
    if (!object) {
      return FALSE;
    }
    object->Set();
    return TRUE;
  });
}

BOOL WINAPI ResetEvent(HANDLE event) {
  return Guarded<BOOL>(FALSE, [&] {
    auto object = FindObject<EventObject>(event);
    if (!object) {
      return FALSE;
    }
    object->Reset();
    return TRUE;
  });
}

}  // extern "C"
