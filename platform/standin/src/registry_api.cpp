// The registry calls, HKEY_CLASSES_ROOT only, served from the registry file
// (registry_file.h). Each call is one read, or one locked change, of the
// file's current contents, so it sees what other processes wrote and never
// writes over them. A handle whose key has gone (deleted by anyone, even if
// a key of the same name was made since) answers ERROR_KEY_DELETED. No
// exception leaves a call: a failed allocation is ERROR_NOT_ENOUGH_MEMORY.
#include <cstring>
#include <mutex>
#include <set>
#include <string_view>

#include "export_guard.h"
#include "registry_file.h"
#include "registry_key_handle.h"
#include "standin_hooks.h"

namespace standin {

namespace {

// ---- Keys that tests mark as out of the caller's reach ----

// A set of folded key paths, safe to use from any thread.
class MarkedKeys {
 public:
  bool Has(const KeyPath& path) {
    const std::string folded = FoldedPath(path);
    std::lock_guard<std::mutex> hold(lock_);
    return keys_.count(folded) != 0;
  }

  // Marks (or unmarks) the key at `path`; a path that cannot be parsed is
  // ignored.
  void Mark(LPCSTR path, bool marked) {
    KeyPath parts;
    if (ParseKeyPath(path, &parts) != ERROR_SUCCESS || parts.empty()) {
      return;
    }
    const std::string folded = FoldedPath(parts);
    std::lock_guard<std::mutex> hold(lock_);
    if (marked) {
      keys_.insert(folded);
    } else {
      keys_.erase(folded);
    }
  }

 private:
  std::mutex lock_;
  std::set<std::string> keys_;
};

// Keys that RegDeleteKeyA refuses, as if the caller lacked the right.
MarkedKeys& ProtectedKeys() {
  static auto* const keys = new MarkedKeys;
  return *keys;
}

// Keys that neither RegOpenKeyExA nor RegDeleteKeyA may touch, as if their
// access list shut the caller out.
MarkedKeys& SealedKeys() {
  static auto* const keys = new MarkedKeys;
  return *keys;
}

bool IsProtected(const KeyPath& path) { return ProtectedKeys().Has(path); }

bool IsSealed(const KeyPath& path) { return SealedKeys().Has(path); }

// ---- Arguments and results ----

KeyPath Joined(const KeyPath& base, const KeyPath& more) {
  KeyPath joined = base;
  joined.insert(joined.end(), more.begin(), more.end());
  return joined;
}

std::string_view NameOf(LPCSTR name) { return name != nullptr ? std::string_view(name) : std::string_view(); }

// Reports the size in `*size`, and copies the bytes when there is a buffer
// and they fit; with no size there is nothing to report.
LSTATUS CopyData(const std::vector<BYTE>& bytes, LPBYTE data, LPDWORD size) {
  if (size == nullptr) {
    return ERROR_SUCCESS;
  }
  const DWORD needed = static_cast<DWORD>(bytes.size());
  if (data != nullptr && *size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (data != nullptr && needed > 0) {
    std::memcpy(data, bytes.data(), needed);
  }
  *size = needed;
  return ERROR_SUCCESS;
}

// `*size` is in characters: the buffer's size going in, the name's length
// without its terminator coming out, or the size needed (terminator
// included) with ERROR_MORE_DATA.
LSTATUS CopyName(const std::string& name, LPSTR buffer, LPDWORD size) {
  if (name.size() >= *size) {
    *size = static_cast<DWORD>(name.size() + 1);
    return ERROR_MORE_DATA;
  }
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  *size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// The key `ref` names and the subkey path below it, both checked.
LSTATUS Locate(HKEY key, LPCSTR subKey, RegistryKeyRef* ref, KeyPath* parts) {
  LSTATUS status = RefOfKey(key, ref);
  if (status == ERROR_SUCCESS) {
    status = ParseKeyPath(subKey, parts);
  }
  if (status == ERROR_SUCCESS && ref->path.size() + parts->size() > kMaxKeyDepth) {
    status = ERROR_INVALID_PARAMETER;
  }
  return status;
}

// The key at `parts` below `from`, made (with the keys on the way) where missing.
RegistryKey* MakePath(RegistryTree& tree, RegistryKey* from, const KeyPath& parts, bool* madeLast) {
  *madeLast = false;
  for (const std::string& name : parts) {
    RegistryKey* next = from->FindSubkey(name);
    *madeLast = next == nullptr;
    from = next != nullptr ? next : from->AddSubkey(name, tree.TakeId());
  }
  return from;
}

// Runs `body(const RegistryKey&)` on the key that `ref` names, in one read of
// its file; ERROR_KEY_DELETED when that key has gone.
template <typename Body>
LSTATUS ReadKey(const RegistryKeyRef& ref, Body&& body) {
  return ReadRegistry(ref.file, [&](const RegistryTree& tree) -> LSTATUS {
    const RegistryKey* at = ResolveKey(tree, ref);
    return at != nullptr ? body(*at) : ERROR_KEY_DELETED;
  });
}

// The same for the key open as `key`.
template <typename Body>
LSTATUS ReadKey(HKEY key, Body&& body) {
  RegistryKeyRef ref;
  const LSTATUS status = RefOfKey(key, &ref);
  return status != ERROR_SUCCESS ? status : ReadKey(ref, body);
}

// Runs `body(RegistryTree&, RegistryKey&, bool& changed)` on the key that
// `ref` names, in one locked change of its file; ERROR_KEY_DELETED when that
// key has gone.
template <typename Body>
LSTATUS ChangeKey(const RegistryKeyRef& ref, Body&& body) {
  return ChangeRegistry(ref.file, [&](RegistryTree& tree, bool& changed) -> LSTATUS {
    RegistryKey* at = ResolveKey(tree, ref);
    return at != nullptr ? body(tree, *at, changed) : ERROR_KEY_DELETED;
  });
}

// The same for the key open as `key`.
template <typename Body>
LSTATUS ChangeKey(HKEY key, Body&& body) {
  RegistryKeyRef ref;
  const LSTATUS status = RefOfKey(key, &ref);
  return status != ERROR_SUCCESS ? status : ChangeKey(ref, body);
}

// ---- The calls ----

LSTATUS CreateKey(HKEY key, LPCSTR subKey, PHKEY result, LPDWORD disposition) {
  RegistryKeyRef ref;
  KeyPath parts;
  LSTATUS status = Locate(key, subKey, &ref, &parts);
  if (status != ERROR_SUCCESS) {
    return status;
  }
  bool made = false;
  std::uint64_t id = 0;
  status = ChangeKey(ref, [&](RegistryTree& tree, RegistryKey& base, bool& changed) -> LSTATUS {
    id = MakePath(tree, &base, parts, &made)->id();
    changed = made;
    return ERROR_SUCCESS;
  });
  if (status != ERROR_SUCCESS) {
    return status;
  }
  *result = OpenKeyHandle({ref.file, Joined(ref.path, parts), id});
  if (disposition != nullptr) {
    *disposition = made ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  }
  return ERROR_SUCCESS;
}

LSTATUS OpenKey(HKEY key, LPCSTR subKey, PHKEY result) {
  RegistryKeyRef ref;
  KeyPath parts;
  LSTATUS status = Locate(key, subKey, &ref, &parts);
  if (status != ERROR_SUCCESS) {
    return status;
  }
  if (IsSealed(Joined(ref.path, parts))) {
    return ERROR_ACCESS_DENIED;
  }
  std::uint64_t id = 0;
  status = ReadKey(ref, [&](const RegistryKey& base) -> LSTATUS {
    const RegistryKey* found = RegistryTree::Find(base, parts);
    if (found == nullptr) {
      return ERROR_FILE_NOT_FOUND;
    }
    id = found->id();
    return ERROR_SUCCESS;
  });
  if (status == ERROR_SUCCESS) {
    *result = OpenKeyHandle({ref.file, Joined(ref.path, parts), id});
  }
  return status;
}

LSTATUS DeleteKey(HKEY key, LPCSTR subKey) {
  RegistryKeyRef ref;
  KeyPath parts;
  LSTATUS status = Locate(key, subKey, &ref, &parts);
  if (status != ERROR_SUCCESS) {
    return status;
  }
  const KeyPath target = Joined(ref.path, parts);
  return ChangeKey(ref, [&](RegistryTree& tree, RegistryKey&, bool& changed) -> LSTATUS {
    if (target.empty()) {
      return ERROR_ACCESS_DENIED;  // the root stays
    }
    RegistryKey* parent = RegistryTree::Find(tree.root(), KeyPath(target.begin(), target.end() - 1));
    const RegistryKey* victim = parent != nullptr ? parent->FindSubkey(target.back()) : nullptr;
    if (victim == nullptr) {
      return ERROR_FILE_NOT_FOUND;
    }
    if (!victim->subkeys().empty() || IsProtected(target) || IsSealed(target)) {
      return ERROR_ACCESS_DENIED;
    }
    changed = parent->RemoveSubkey(target.back());
    return ERROR_SUCCESS;
  });
}

LSTATUS EnumKey(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPSTR className, LPDWORD classSize,
                PFILETIME lastWriteTime) {
  return ReadKey(key, [&](const RegistryKey& at) -> LSTATUS {
    if (index >= at.subkeys().size()) {
      return ERROR_NO_MORE_ITEMS;
    }
    const LSTATUS copied = CopyName(at.subkeys()[index]->name(), name, nameSize);
    if (copied != ERROR_SUCCESS) {
      return copied;
    }
    // Keys carry no class, and no write time is kept.
    if (classSize != nullptr) {
      if (className != nullptr && *classSize > 0) {
        className[0] = '\0';
      }
      *classSize = 0;
    }
    if (lastWriteTime != nullptr) {
      *lastWriteTime = FILETIME{0, 0};
    }
    return ERROR_SUCCESS;
  });
}

LSTATUS EnumValue(HKEY key, DWORD index, LPSTR valueName, LPDWORD valueNameSize, LPDWORD type, LPBYTE data,
                  LPDWORD dataSize) {
  return ReadKey(key, [&](const RegistryKey& at) -> LSTATUS {
    if (index >= at.values().size()) {
      return ERROR_NO_MORE_ITEMS;
    }
    const RegistryValue& value = at.values()[index];
    const LSTATUS copied = CopyName(value.name, valueName, valueNameSize);
    if (copied != ERROR_SUCCESS) {
      return copied;
    }
    if (type != nullptr) {
      *type = value.type;
    }
    return CopyData(value.data, data, dataSize);
  });
}

// Sets the value `name` of the key at `parts` below `key`, making the key when asked.
LSTATUS SetValue(HKEY key, LPCSTR subKey, bool makeKey, std::string_view name, DWORD type, const BYTE* data,
                 size_t size) {
  RegistryKeyRef ref;
  KeyPath parts;
  LSTATUS status = Locate(key, subKey, &ref, &parts);
  if (status != ERROR_SUCCESS) {
    return status;
  }
  if (name.size() > kMaxValueNameBytes) {
    return ERROR_INVALID_PARAMETER;
  }
  return ChangeKey(ref, [&](RegistryTree& tree, RegistryKey& base, bool& changed) -> LSTATUS {
    bool made = false;
    RegistryKey* at = makeKey ? MakePath(tree, &base, parts, &made) : &base;
    changed = at->SetValue(name, type, data, size) || made;
    return ERROR_SUCCESS;
  });
}

// The value `name` of the key at `subKey` below `key`, handed to `take`.
template <typename Take>
LSTATUS QueryValue(HKEY key, LPCSTR subKey, std::string_view name, Take take) {
  RegistryKeyRef ref;
  KeyPath parts;
  LSTATUS status = Locate(key, subKey, &ref, &parts);
  if (status != ERROR_SUCCESS) {
    return status;
  }
  return ReadKey(ref, [&](const RegistryKey& base) -> LSTATUS {
    const RegistryKey* at = RegistryTree::Find(base, parts);
    return at != nullptr ? take(at->FindValue(name)) : ERROR_FILE_NOT_FOUND;
  });
}

LSTATUS DeleteValue(HKEY key, std::string_view name) {
  return ChangeKey(key, [&](RegistryTree&, RegistryKey& at, bool& changed) -> LSTATUS {
    changed = at.RemoveValue(name);
    return changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
}

// RegCreateKeyA and RegOpenKeyA hand the root back as it is when no subkey is
// named, as on the platform.
bool HandBackRoot(HKEY key, LPCSTR subKey, PHKEY result) {
  if (key != HKEY_CLASSES_ROOT || result == nullptr || (subKey != nullptr && *subKey != '\0')) {
    return false;
  }
  *result = key;
  return true;
}

template <typename Body>
LSTATUS Guard(Body&& body) {
  return Guarded<LSTATUS>(ERROR_NOT_ENOUGH_MEMORY, std::forward<Body>(body));
}

}  // namespace

}  // namespace standin

using standin::Guard;

extern "C" {

LSTATUS WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR, DWORD options, REGSAM,
                               LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
  if (result == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  *result = nullptr;
  // Every key persists: volatile keys are not offered.
  if (reserved != 0 || options != REG_OPTION_NON_VOLATILE) {
    return ERROR_INVALID_PARAMETER;
  }
  return Guard([&] { return standin::CreateKey(key, subKey, result, disposition); });
}

LSTATUS WINAPI RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  if (standin::HandBackRoot(key, subKey, result)) {
    return ERROR_SUCCESS;
  }
  return RegCreateKeyExA(key, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, MAXIMUM_ALLOWED, nullptr, result, nullptr);
}

LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM, PHKEY result) {
  if (result == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  *result = nullptr;
  return Guard([&] { return standin::OpenKey(key, subKey, result); });
}

LSTATUS WINAPI RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
  if (standin::HandBackRoot(key, subKey, result)) {
    return ERROR_SUCCESS;
  }
  return RegOpenKeyExA(key, subKey, 0, MAXIMUM_ALLOWED, result);
}

LSTATUS WINAPI RegCloseKey(HKEY key) {
  return Guard([&] { return standin::CloseKeyHandle(key); });
}

// An empty name deletes the key `key` itself.
LSTATUS WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  if (subKey == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  return Guard([&] { return standin::DeleteKey(key, subKey); });
}

LSTATUS WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR className,
                             LPDWORD classSize, PFILETIME lastWriteTime) {
  if (name == nullptr || nameSize == nullptr || reserved != nullptr || (className != nullptr && classSize == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  return Guard([&] { return standin::EnumKey(key, index, name, nameSize, className, classSize, lastWriteTime); });
}

// The size is ignored, as on the platform: the text and its terminator are stored.
LSTATUS WINAPI RegSetValueA(HKEY key, LPCSTR subKey, DWORD type, LPCSTR data, DWORD) {
  if (type != REG_SZ || data == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  return Guard([&] {
    return standin::SetValue(key, subKey, true, {}, REG_SZ, reinterpret_cast<const BYTE*>(data), std::strlen(data) + 1);
  });
}

LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
  if (data == nullptr && dataSize != 0) {
    return ERROR_INVALID_PARAMETER;
  }
  return Guard(
      [&] { return standin::SetValue(key, nullptr, false, standin::NameOf(valueName), type, data, dataSize); });
}

// A key without a default value answers an empty text, as on the platform.
LSTATUS WINAPI RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR data, LPLONG dataSize) {
  if ((data != nullptr && dataSize == nullptr) || (dataSize != nullptr && *dataSize < 0)) {
    return ERROR_INVALID_PARAMETER;
  }
  return Guard([&] {
    return standin::QueryValue(key, subKey, {}, [&](const standin::RegistryValue* value) -> LSTATUS {
      const std::vector<BYTE> emptyText(1, 0);
      DWORD size = dataSize != nullptr ? static_cast<DWORD>(*dataSize) : 0;
      const LSTATUS status = standin::CopyData(value != nullptr ? value->data : emptyText,
                                               reinterpret_cast<LPBYTE>(data), dataSize != nullptr ? &size : nullptr);
      if (dataSize != nullptr) {
        *dataSize = static_cast<LONG>(size);
      }
      return status;
    });
  });
}

LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD dataSize) {
  if (reserved != nullptr || (data != nullptr && dataSize == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  return Guard([&] {
    return standin::QueryValue(key, nullptr, standin::NameOf(valueName),
                               [&](const standin::RegistryValue* value) -> LSTATUS {
                                 if (value == nullptr) {
                                   return ERROR_FILE_NOT_FOUND;
                                 }
                                 if (type != nullptr) {
                                   *type = value->type;
                                 }
                                 return standin::CopyData(value->data, data, dataSize);
                               });
  });
}

LSTATUS WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR valueName, LPDWORD valueNameSize, LPDWORD reserved,
                             LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  if (valueName == nullptr || valueNameSize == nullptr || reserved != nullptr ||
      (data != nullptr && dataSize == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  return Guard([&] { return standin::EnumValue(key, index, valueName, valueNameSize, type, data, dataSize); });
}

LSTATUS WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) {
  return Guard([&] { return standin::DeleteValue(key, standin::NameOf(valueName)); });
}

void StandinProtectRegistryKey(LPCSTR path, BOOL protect) {
  standin::GuardedVoid([&] { standin::ProtectedKeys().Mark(path, protect != FALSE); });
}

void StandinSealRegistryKey(LPCSTR path, BOOL sealed) {
  standin::GuardedVoid([&] { standin::SealedKeys().Mark(path, sealed != FALSE); });
}

DWORD StandinRegistryFilePath(LPSTR buffer, DWORD size) {
  return standin::Guarded<DWORD>(0, [&]() -> DWORD {
    const std::string path = standin::RegistryFilePath();
    if (buffer != nullptr && path.size() < size) {
      std::memcpy(buffer, path.c_str(), path.size() + 1);
    }
    return static_cast<DWORD>(path.size());
  });
}

}  // extern "C"
