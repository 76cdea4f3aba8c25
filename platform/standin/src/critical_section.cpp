// Critical sections: a recursive pthread mutex living in the section's own
// storage, so that the owning thread may enter again without blocking.
#include <pthread.h>

#include "platform.h"

namespace {

static_assert(sizeof(pthread_mutex_t) <= sizeof(CRITICAL_SECTION::Opaque));
static_assert(alignof(pthread_mutex_t) <= alignof(CRITICAL_SECTION));

pthread_mutex_t* MutexOf(LPCRITICAL_SECTION section) { return reinterpret_cast<pthread_mutex_t*>(section->Opaque); }

}  // namespace

extern "C" {

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section) {
  if (section == nullptr) {
    return;
  }
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(MutexOf(section), &attributes);
  pthread_mutexattr_destroy(&attributes);
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section) {
  if (section != nullptr) {
    pthread_mutex_destroy(MutexOf(section));
  }
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section) {
  if (section != nullptr) {
    pthread_mutex_lock(MutexOf(section));
  }
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section) {
  if (section != nullptr) {
    pthread_mutex_unlock(MutexOf(section));
  }
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section) {
  return section != nullptr && pthread_mutex_trylock(MutexOf(section)) == 0 ? TRUE : FALSE;
}

}  // extern "C"
