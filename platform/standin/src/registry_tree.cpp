#include "registry_tree.h"

#include <algorithm>
#include <cstring>

namespace standin {

namespace {

unsigned char Folded(char c) {
  const unsigned char byte = static_cast<unsigned char>(c);
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Folded(x) == Folded(y); });
}

bool NameBefore(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return Folded(x) < Folded(y); });
}

LSTATUS ParseKeyPath(LPCSTR text, KeyPath* path) {
  path->clear();
  if (text == nullptr || *text == '\0') {
    return ERROR_SUCCESS;
  }
  std::string_view rest(text);
  if (rest.front() == '\\') {
    return ERROR_INVALID_PARAMETER;
  }
  if (rest.back() == '\\') {
    rest.remove_suffix(1);
  }
  for (;;) {
    const size_t slash = rest.find('\\');
    const std::string_view name = rest.substr(0, slash);
    if (name.empty() || name.size() > kMaxKeyNameBytes || path->size() == kMaxKeyDepth) {
      path->clear();
      return ERROR_INVALID_PARAMETER;
    }
    path->emplace_back(name);
    if (slash == std::string_view::npos) {
      return ERROR_SUCCESS;
    }
    rest.remove_prefix(slash + 1);
  }
}

std::string FoldedPath(const KeyPath& path) {
  std::string folded;
  for (const std::string& name : path) {
    if (!folded.empty()) {
      folded += '\\';
    }
    for (char c : name) {
      folded += static_cast<char>(Folded(c));
    }
  }
  return folded;
}

std::vector<std::unique_ptr<RegistryKey>>::const_iterator RegistryKey::LowerBound(std::string_view name) const {
  return std::lower_bound(
      subkeys_.begin(), subkeys_.end(), name,
      [](const std::unique_ptr<RegistryKey>& key, std::string_view n) { return NameBefore(key->name(), n); });
}

RegistryKey* RegistryKey::FindSubkey(std::string_view name) const {
  auto found = LowerBound(name);
  return found != subkeys_.end() && SameName((*found)->name(), name) ? found->get() : nullptr;
}

RegistryKey* RegistryKey::AddSubkey(std::string name, std::uint64_t id) {
  auto at = LowerBound(name);
  if (at != subkeys_.end() && SameName((*at)->name(), name)) {
    return nullptr;
  }
  return subkeys_.insert(at, std::make_unique<RegistryKey>(std::move(name), id))->get();
}

bool RegistryKey::RemoveSubkey(std::string_view name) {
  auto found = LowerBound(name);
  if (found == subkeys_.end() || !SameName((*found)->name(), name)) {
    return false;
  }
  subkeys_.erase(found);
  return true;
}

const RegistryValue* RegistryKey::FindValue(std::string_view name) const {
  auto found = std::find_if(values_.begin(), values_.end(),
                            [&](const RegistryValue& value) { return SameName(value.name, name); });
  return found == values_.end() ? nullptr : &*found;
}

bool RegistryKey::SetValue(std::string_view name, DWORD type, const BYTE* data, size_t size) {
  auto found = std::find_if(values_.begin(), values_.end(),
                            [&](const RegistryValue& value) { return SameName(value.name, name); });
  if (found == values_.end()) {
    values_.push_back({std::string(name), type, std::vector<BYTE>(data, data + size)});
    return true;
  }
  if (found->type == type && found->data.size() == size &&
      (size == 0 || std::memcmp(found->data.data(), data, size) == 0)) {
    return false;
  }
  found->type = type;
  found->data.assign(data, data + size);
  return true;
}

bool RegistryKey::RemoveValue(std::string_view name) {
  return std::erase_if(values_, [&](const RegistryValue& value) { return SameName(value.name, name); }) > 0;
}

RegistryKey* RegistryTree::FindById(const KeyPath& path, std::uint64_t id) {
  RegistryKey* key = Find(root_, path);
  return key != nullptr && key->id() == id ? key : nullptr;
}

const RegistryKey* RegistryTree::FindById(const KeyPath& path, std::uint64_t id) const {
  const RegistryKey* key = Find(root_, path);
  return key != nullptr && key->id() == id ? key : nullptr;
}

}  // namespace standin
