// WorkerThread: owns at most one platform thread and a synchronous one-slot
// command channel to it.
#pragma once

#include "platform.h"
#include "threading/section_lock.h"
#include "threading/sync_event.h"

// A caller posts a 32-bit command and is blocked until the worker answers it
// with an HRESULT. The worker looks for commands by blocking (WaitCommand) or
// by polling between units of work (PeekCommand), and answers every command it
// has seen with exactly one Reply. Looking does not consume: a command stays
// pending, and every WaitCommand or PeekCommand returns it again at once, until
// Reply. The channel gives no meaning to command values.
//
// On its thread the object joins the multithreaded COM apartment for as long
// as ThreadMain runs, when the platform offers CoInitializeEx.
//
// Threads: callers use Start, SendCommand, IsRunning, Close and the destructor;
// only the worker uses WaitCommand, PeekCommand and Reply. The object must
// outlive its thread: tell the thread to end before Close or destruction (both
// wait for it without limit, and are never called on the worker itself). A
// derived class whose ThreadMain uses its own members ends and closes the
// thread in its own destructor. Close of one thread and Start of the next are
// made in turn, never at once.
//
// Lock rules: AccessLock serializes Start and SendCommand and is held across
// the whole wait for a reply, so one command is in flight and concurrent
// senders each get their own reply in turn. A sender may hold locks of its own
// while it waits; the worker never takes AccessLock, and code on the worker
// thread must never take a lock that a sender can hold while sending.
class WorkerThread {
 protected:
  // The thread's work, supplied by the derived class. Its result becomes the
  // thread's exit code.
  virtual DWORD ThreadMain() = 0;

 public:
  WorkerThread() noexcept;
  virtual ~WorkerThread();

  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // TRUE when this call created the thread. FALSE while a thread is held
  // (running or finished), when the thread cannot be created, and when the
  // channel's events could not be created.
  BOOL Start() noexcept;
  // The worker's reply; E_FAIL at once when there is no thread, and E_FAIL
  // when ThreadMain has returned without answering the command.
  HRESULT SendCommand(DWORD command) noexcept;
  // TRUE while a thread handle is held, also after the thread has finished;
  // only Close drops it.
  BOOL IsRunning() noexcept;
  // Waits for the thread to end and closes its handle; nothing without a
  // thread. Of several concurrent closers, exactly one waits and closes.
  void Close() noexcept;

 protected:
  // Blocks until a command is pending and returns it, leaving it pending.
  DWORD WaitCommand() noexcept;
  // TRUE when a command is pending, stored through `out` when present; does
  // not block, and leaves the command pending.
  BOOL PeekCommand(DWORD* out) noexcept;
  // Answers the pending command; the next WaitCommand blocks until a new one.
  void Reply(HRESULT result) noexcept;

 private:
  // Whether a sender may post: from Start until ThreadMain returns the channel
  // is open (idle or with a posted command); then it is finished. Changed only
  // by interlocked calls, so that a command posted while ThreadMain returns is
  // either refused or answered with E_FAIL, never left waiting for ever.
  enum : LONG { ChannelIdle = 0, ChannelPosted = 1, ChannelFinished = 2 };

  static DWORD WINAPI ThreadEntry(LPVOID parameter);
  void FinishChannel() noexcept;
  bool HasThread() noexcept;

  // Destroyed in reverse order: AccessLock, then ReplyEvent, then CommandEvent.
  SyncEvent CommandEvent{TRUE};            // signalled while a command is pending
  SyncEvent ReplyEvent{FALSE};             // the sender's wait consumes the signal
  DWORD Command;                           // written before CommandEvent is set
  HRESULT ReplyValue;                      // written before ReplyEvent is set
  HANDLE volatile ThreadHandle = nullptr;  // written by Start under AccessLock, cleared by Close
  SectionLock AccessLock;
  LONG volatile ChannelState = ChannelIdle;
};
