#include "threading/worker_thread.h"

#include "threading/scoped_lock.h"

namespace {

using CoInitializeExEntry = HRESULT(WINAPI*)(LPVOID reserved, DWORD flags);

// Joins the multithreaded apartment through ole32's CoInitializeEx, looked up
// in the already loaded module (it is not loaded for this). E_FAIL when the
// module or the function is missing.
HRESULT JoinMultithreadedApartment() {
  HMODULE ole32 = GetModuleHandleA("ole32.dll");
  if (ole32 == nullptr) {
    return E_FAIL;
  }
  FARPROC found = GetProcAddress(ole32, "CoInitializeEx");
  if (found == nullptr) {
    return E_FAIL;
  }
  auto coInitializeEx = reinterpret_cast<CoInitializeExEntry>(reinterpret_cast<void (*)()>(found));
  return coInitializeEx(nullptr, COINIT_DISABLE_OLE1DDE);
}

}  // namespace

WorkerThread::WorkerThread() noexcept = default;

WorkerThread::~WorkerThread() { Close(); }

BOOL WorkerThread::Start() noexcept {
  ScopedLock hold(AccessLock);
  if (HasThread() || !CommandEvent.Created() || !ReplyEvent.Created()) {
    return FALSE;
  }
  // The previous thread has ended; drop a command it refused.
  CommandEvent.Reset();
  InterlockedExchange(&ChannelState, ChannelIdle);
  HANDLE thread = CreateThread(nullptr, 0, ThreadEntry, this, 0, nullptr);
  InterlockedExchangePointer(&ThreadHandle, thread);
  return thread != nullptr ? TRUE : FALSE;
}

HRESULT WorkerThread::SendCommand(DWORD command) noexcept {
  ScopedLock hold(AccessLock);
  if (!HasThread()) {
    return E_FAIL;
  }
  Command = command;
  if (InterlockedCompareExchange(&ChannelState, ChannelPosted, ChannelIdle) != ChannelIdle) {
    return E_FAIL;  // ThreadMain has returned: nobody would answer.
  }
  CommandEvent.Set();
  ReplyEvent.Wait(INFINITE);
  return ReplyValue;
}

BOOL WorkerThread::IsRunning() noexcept { return HasThread() ? TRUE : FALSE; }

void WorkerThread::Close() noexcept {
  HANDLE thread = InterlockedExchangePointer(&ThreadHandle, nullptr);
  if (thread != nullptr) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
}

DWORD WorkerThread::WaitCommand() noexcept {
  CommandEvent.Wait(INFINITE);
  return Command;
}

BOOL WorkerThread::PeekCommand(DWORD* out) noexcept {
  if (!CommandEvent.Check()) {
    return FALSE;
  }
  if (out != nullptr) {
    *out = Command;
  }
  return TRUE;
}

void WorkerThread::Reply(HRESULT result) noexcept {
  ReplyValue = result;
  InterlockedExchange(&ChannelState, ChannelIdle);
  // Reset before Set: the command is no longer pending when the sender wakes.
  CommandEvent.Reset();
  ReplyEvent.Set();
}

DWORD WINAPI WorkerThread::ThreadEntry(LPVOID parameter) {
  auto* self = static_cast<WorkerThread*>(parameter);
  HRESULT apartment = JoinMultithreadedApartment();
  DWORD exitCode = self->ThreadMain();
  self->FinishChannel();
  if (SUCCEEDED(apartment)) {
    CoUninitialize();
  }
  return exitCode;
}

// Closes the channel once ThreadMain has returned, answering E_FAIL to a
// command posted but never answered; later senders are refused at once.
void WorkerThread::FinishChannel() noexcept {
  if (InterlockedExchange(&ChannelState, ChannelFinished) == ChannelPosted) {
    ReplyValue = E_FAIL;
    ReplyEvent.Set();
  }
}

bool WorkerThread::HasThread() noexcept {
  return InterlockedCompareExchangePointer(&ThreadHandle, nullptr, nullptr) != nullptr;
}
