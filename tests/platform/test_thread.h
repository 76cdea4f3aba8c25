// TestThread: a body run on a thread made by the stand-in's CreateThread,
// joined (and its handle closed) at the latest when the object goes.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "platform.h"

class TestThread {
 public:
  explicit TestThread(std::function<void()> body) : body_(std::move(body)) {
    handle_ = CreateThread(nullptr, 0, &TestThread::Run, this, 0, &id_);
    EXPECT_NE(handle_, nullptr);
  }
  ~TestThread() { Join(); }
  TestThread(const TestThread&) = delete;
  TestThread& operator=(const TestThread&) = delete;

  HANDLE handle() const { return handle_; }
  DWORD id() const { return id_; }

  void Join() {
    if (handle_ != nullptr) {
      EXPECT_EQ(WaitForSingleObject(handle_, INFINITE), WAIT_OBJECT_0);
      CloseHandle(handle_);
      handle_ = nullptr;
    }
  }

  // Runs `body` on a new thread and waits for it.
  static void RunToEnd(std::function<void()> body) { TestThread(std::move(body)).Join(); }

 private:
  static DWORD WINAPI Run(LPVOID self) {
    static_cast<TestThread*>(self)->body_();
    return 0;
  }

  std::function<void()> body_;
  HANDLE handle_ = nullptr;
  DWORD id_ = 0;
};
