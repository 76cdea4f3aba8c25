// The registry's contents in memory: a tree of keys under HKEY_CLASSES_ROOT,
// each with typed values. Names are compared without regard to ASCII case and
// kept as first written. Subkeys are kept in case-insensitive alphabetical
// order, which is the order RegEnumKeyExA lists; values keep the order in
// which they were first set. Every key carries an id that is never given out
// twice in one registry file, so a handle can tell its key from a later key of
// the same name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform.h"

namespace standin {

// Limits of the platform's registry.
constexpr size_t kMaxKeyNameBytes = 255;
constexpr size_t kMaxValueNameBytes = 16383;
constexpr size_t kMaxKeyDepth = 512;

typedef std::vector<std::string> KeyPath;  // names below the root, outermost first

bool SameName(std::string_view a, std::string_view b);
bool NameBefore(std::string_view a, std::string_view b);

// Splits "A\B\C" into its names. Null or empty is the key itself; one
// trailing backslash is tolerated. A leading backslash, an empty name or an
// overlong one is ERROR_INVALID_PARAMETER.
LSTATUS ParseKeyPath(LPCSTR text, KeyPath* path);

// "a\b\c" in lower case: the form in which paths are compared as a whole.
std::string FoldedPath(const KeyPath& path);

struct RegistryValue {
  std::string name;  // empty: the key's default value
  DWORD type;
  std::vector<BYTE> data;
};

class RegistryKey {
 public:
  RegistryKey(std::string name, std::uint64_t id) : name_(std::move(name)), id_(id) {}

  const std::string& name() const { return name_; }
  std::uint64_t id() const { return id_; }

  const std::vector<std::unique_ptr<RegistryKey>>& subkeys() const { return subkeys_; }
  RegistryKey* FindSubkey(std::string_view name) const;
  // The new subkey; none when one of that name is already there.
  RegistryKey* AddSubkey(std::string name, std::uint64_t id);
  bool RemoveSubkey(std::string_view name);

  const std::vector<RegistryValue>& values() const { return values_; }
  const RegistryValue* FindValue(std::string_view name) const;
  // Answers whether anything changed.
  bool SetValue(std::string_view name, DWORD type, const BYTE* data, size_t size);
  bool RemoveValue(std::string_view name);

 private:
  std::vector<std::unique_ptr<RegistryKey>>::const_iterator LowerBound(std::string_view name) const;

  std::string name_;
  std::uint64_t id_;
  std::vector<std::unique_ptr<RegistryKey>> subkeys_;
  std::vector<RegistryValue> values_;
};

class RegistryTree {
 public:
  static constexpr std::uint64_t kRootId = 0;

  RegistryTree() : root_(std::string(), kRootId) {}

  RegistryKey& root() { return root_; }
  const RegistryKey& root() const { return root_; }

  // The key at `path` below `from`; none when a name is missing.
  template <typename Key>
  static Key* Find(Key& from, const KeyPath& path) {
    Key* key = &from;
    for (size_t at = 0; at < path.size() && key != nullptr; ++at) {
      key = key->FindSubkey(path[at]);
    }
    return key;
  }
  // The key at `path` from the root, provided it is still the key `id`.
  RegistryKey* FindById(const KeyPath& path, std::uint64_t id);
  const RegistryKey* FindById(const KeyPath& path, std::uint64_t id) const;

  std::uint64_t nextId() const { return nextId_; }
  void setNextId(std::uint64_t next) { nextId_ = next; }
  std::uint64_t TakeId() { return nextId_++; }

 private:
  RegistryKey root_;
  std::uint64_t nextId_ = 1;
};

}  // namespace standin
