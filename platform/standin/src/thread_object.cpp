#include "thread_object.h"

#include <pthread.h>
#include <sched.h>
#include <time.h>

#include <atomic>
#include <memory>

#include "export_guard.h"
#include "handle_table.h"

namespace standin {

namespace {

std::atomic<DWORD> nextThreadId{4};
thread_local DWORD currentThreadId = 0;

struct ThreadStart {
  std::shared_ptr<ThreadObject> object;
  LPTHREAD_START_ROUTINE routine;
  LPVOID parameter;
  DWORD id;
};

void* RunThread(void* raw) {
  std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(raw));
  AdoptThreadId(start->id);
  const DWORD exitCode = start->routine(start->parameter);
  start->object->Finish(exitCode);
  return nullptr;
}

// Starts `start` on a detached thread; the thread owns it on success.
bool LaunchThread(std::unique_ptr<ThreadStart>& start, SIZE_T stackSize) {
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) {
    return false;
  }
  pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
  size_t defaultSize = 0;
  pthread_attr_getstacksize(&attributes, &defaultSize);
  if (stackSize > defaultSize) {
    pthread_attr_setstacksize(&attributes, stackSize);
  }
  pthread_t thread;
  const bool launched = pthread_create(&thread, &attributes, RunThread, start.get()) == 0;
  pthread_attr_destroy(&attributes);
  if (launched) {
    start.release();
  }
  return launched;
}

}  // namespace

DWORD NewThreadId() { return nextThreadId.fetch_add(4); }

void AdoptThreadId(DWORD id) { currentThreadId = id; }

void ThreadObject::Finish(DWORD exitCode) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    finished_ = true;
    exitCode_ = exitCode;
  }
  changed_.notify_all();
}

DWORD ThreadObject::ExitCode() {
  std::lock_guard<std::mutex> hold(lock_);
  return exitCode_;
}

DWORD ThreadObject::Wait(DWORD milliseconds) {
  std::unique_lock<std::mutex> hold(lock_);
  return WaitUntil(changed_, hold, milliseconds, [this] { return finished_; }) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

}  // namespace standin

using standin::Guarded;
using standin::ThreadObject;

namespace {
// Creation flags that need no action here; anything else (a suspended start)
// is refused rather than ignored.
constexpr DWORD kStackSizeIsReservation = 0x00010000;
}  // namespace

extern "C" {

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                           DWORD flags, LPDWORD threadId) {
  return Guarded<HANDLE>(nullptr, [&]() -> HANDLE {
    if (start == nullptr || (flags & ~kStackSizeIsReservation) != 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    auto object = std::make_shared<ThreadObject>();
    auto launch =
        std::make_unique<standin::ThreadStart>(standin::ThreadStart{object, start, parameter, standin::NewThreadId()});
    const DWORD id = launch->id;
    standin::HandleTable& table = standin::HandleTable::Instance();
    HANDLE handle = table.Insert(object);
    if (!standin::LaunchThread(launch, stackSize)) {
      table.Remove(handle);
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    if (threadId != nullptr) {
      *threadId = id;
    }
    return handle;
  });
}

BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  return Guarded<BOOL>(FALSE, [&] {
    auto object = standin::FindObject<ThreadObject>(thread);
    if (!object) {
      return FALSE;
    }
    if (exitCode == nullptr) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    *exitCode = object->ExitCode();
    return TRUE;
  });
}

DWORD WINAPI GetCurrentThreadId() {
  if (standin::currentThreadId == 0) {
    standin::AdoptThreadId(standin::NewThreadId());
  }
  return standin::currentThreadId;
}

void WINAPI Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  do {
    const DWORD slice = milliseconds == INFINITE ? 1000 : milliseconds;
    timespec remaining{static_cast<time_t>(slice / 1000), static_cast<long>(slice % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0) {
    }
  } while (milliseconds == INFINITE);
}

}  // extern "C"
