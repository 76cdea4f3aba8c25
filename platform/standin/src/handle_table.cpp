#include "handle_table.h"

#include <utility>

namespace standin {

HandleTable& HandleTable::Instance() {
  // Never destroyed: detached threads may still close handles during exit.
  static HandleTable* const table = new HandleTable;
  return *table;
}

HANDLE HandleTable::Insert(std::shared_ptr<KernelObject> object) {
  std::lock_guard<std::mutex> hold(lock_);
  const std::uintptr_t id = nextId_;
  objects_.emplace(id, std::move(object));
  nextId_ += 4;
  return reinterpret_cast<HANDLE>(id);
}

std::shared_ptr<KernelObject> HandleTable::Find(HANDLE handle) {
  std::lock_guard<std::mutex> hold(lock_);
  auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
  return found == objects_.end() ? nullptr : found->second;
}

bool HandleTable::Remove(HANDLE handle) {
  std::shared_ptr<KernelObject> dropped;  // released after the lock
  std::lock_guard<std::mutex> hold(lock_);
  auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
  if (found == objects_.end()) {
    return false;
  }
  dropped = std::move(found->second);
  objects_.erase(found);
  return true;
}

}  // namespace standin
