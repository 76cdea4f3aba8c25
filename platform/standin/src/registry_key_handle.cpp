#include "registry_key_handle.h"

#include <memory>

#include "handle_table.h"
#include "registry_file.h"

namespace standin {

LSTATUS RefOfKey(HKEY key, RegistryKeyRef* ref) {
  if (key == HKEY_CLASSES_ROOT) {
    *ref = RegistryKeyRef{RegistryFilePath(), {}, RegistryTree::kRootId};
    return ERROR_SUCCESS;
  }
  auto handle = std::dynamic_pointer_cast<RegistryKeyHandle>(HandleTable::Instance().Find(key));
  if (!handle) {
    return ERROR_INVALID_HANDLE;
  }
  *ref = handle->ref();
  return ERROR_SUCCESS;
}

HKEY OpenKeyHandle(RegistryKeyRef ref) {
  return static_cast<HKEY>(HandleTable::Instance().Insert(std::make_shared<RegistryKeyHandle>(std::move(ref))));
}

LSTATUS CloseKeyHandle(HKEY key) {
  if (key == HKEY_CLASSES_ROOT) {
    return ERROR_SUCCESS;
  }
  // Ids are never reused, so the handle found is the one removed.
  if (!std::dynamic_pointer_cast<RegistryKeyHandle>(HandleTable::Instance().Find(key)) ||
      !HandleTable::Instance().Remove(key)) {
    return ERROR_INVALID_HANDLE;
  }
  return ERROR_SUCCESS;
}

}  // namespace standin
