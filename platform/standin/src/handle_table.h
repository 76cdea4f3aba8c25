// The process's HANDLE values: small opaque ids mapped to kernel objects. A
// bad or closed handle is simply not found, so callers fail cleanly with
// ERROR_INVALID_HANDLE instead of touching freed memory. Ids are never
// reused, so a stale handle cannot reach a newer object.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "kernel_object.h"
#include "platform.h"

namespace standin {

class HandleTable {
 public:
  static HandleTable& Instance();

  HANDLE Insert(std::shared_ptr<KernelObject> object);
  std::shared_ptr<KernelObject> Find(HANDLE handle);
  // Drops the table's reference; false for an unknown handle.
  bool Remove(HANDLE handle);

 private:
  std::mutex lock_;
  std::unordered_map<std::uintptr_t, std::shared_ptr<KernelObject>> objects_;
  std::uintptr_t nextId_ = 0x100;
};

// The object behind `handle` when it is a T; otherwise none, with
// ERROR_INVALID_HANDLE as the last error.
template <typename T>
std::shared_ptr<T> FindObject(HANDLE handle) {
  std::shared_ptr<T> object = std::dynamic_pointer_cast<T>(HandleTable::Instance().Find(handle));
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
  }
  return object;
}

}  // namespace standin
