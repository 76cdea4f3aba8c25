// What an HKEY names: a key of one registry file, by its path and its id.
// Opened keys live in the process's handle table like other handles, so a
// bad or closed HKEY is simply not found. HKEY_CLASSES_ROOT is no table entry:
// it is the root of the registry file that the environment names at the time
// of each call, while an opened key stays with the file it was opened in.
// Any other predefined root is an unknown handle (ERROR_INVALID_HANDLE).
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "kernel_object.h"
#include "registry_tree.h"

namespace standin {

struct RegistryKeyRef {
  std::string file;
  KeyPath path;
  std::uint64_t id = RegistryTree::kRootId;
};

class RegistryKeyHandle final : public KernelObject {
 public:
  explicit RegistryKeyHandle(RegistryKeyRef ref) : ref_(std::move(ref)) {}

  const RegistryKeyRef& ref() const { return ref_; }

  // A key is no waitable object.
  DWORD Wait(DWORD) override {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }

 private:
  const RegistryKeyRef ref_;
};

// The key behind `key`; ERROR_INVALID_HANDLE when it is none.
LSTATUS RefOfKey(HKEY key, RegistryKeyRef* ref);
HKEY OpenKeyHandle(RegistryKeyRef ref);
// ERROR_INVALID_HANDLE unless `key` is an open key (or the root, which needs no closing).
LSTATUS CloseKeyHandle(HKEY key);

// The key that `ref` names in `tree`; none when it has been deleted.
template <typename Tree>
auto* ResolveKey(Tree& tree, const RegistryKeyRef& ref) {
  return tree.FindById(ref.path, ref.id);
}

}  // namespace standin
