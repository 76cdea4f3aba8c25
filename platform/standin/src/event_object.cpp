#include "event_object.h"

#include <memory>

#include "export_guard.h"
#include "fault_countdown.h"
#include "handle_table.h"
#include "standin_hooks.h"

namespace standin {

void EventObject::Set() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (manualReset_) {
      signalled_ = true;
      ++sets_;
    } else if (blocked_ > released_) {
      ++released_;  // handed to a blocked waiter; the event stays non-signalled
    } else {
      signalled_ = true;
    }
  }
  changed_.notify_all();
}

void EventObject::Reset() {
  std::lock_guard<std::mutex> hold(lock_);
  signalled_ = false;
}

DWORD EventObject::Wait(DWORD milliseconds) {
  std::unique_lock<std::mutex> hold(lock_);
  if (signalled_) {
    if (!manualReset_) {
      signalled_ = false;
    }
    return WAIT_OBJECT_0;
  }
  if (milliseconds == 0) {
    return WAIT_TIMEOUT;
  }
  ++blocked_;
  bool released = false;
  if (manualReset_) {
    const std::uint64_t setsBefore = sets_;
    released = WaitUntil(changed_, hold, milliseconds, [&] { return sets_ != setsBefore; });
  } else {
    released = WaitUntil(changed_, hold, milliseconds, [this] { return released_ > 0; });
  }
  --blocked_;
  if (!released) {
    return WAIT_TIMEOUT;
  }
  if (!manualReset_) {
    --released_;
  }
  return WAIT_OBJECT_0;
}

std::size_t EventObject::Blocked() {
  std::lock_guard<std::mutex> hold(lock_);
  return blocked_;
}

}  // namespace standin

namespace {
standin::FaultCountdown eventFault;
}  // namespace

using standin::EventObject;
using standin::FindObject;
using standin::Guarded;

extern "C" {

// Names and security attributes are accepted and ignored: events here are
// private to the process.
HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR) {
  return Guarded<HANDLE>(nullptr, [&]() -> HANDLE {
    if (eventFault.Strikes()) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
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

void StandinFailNthEventCreation(LONG nth) { eventFault.Arm(nth); }

LONG StandinEventWaiters(HANDLE event) {
  return Guarded<LONG>(-1, [&] {
    auto object = FindObject<EventObject>(event);
    return object ? static_cast<LONG>(object->Blocked()) : -1;
  });
}

}  // extern "C"
