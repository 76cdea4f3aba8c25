// RegistryFixture: each test has a registry file of its own, in a fresh
// temporary folder, named by VELLORA_REGISTRY for the length of the test.
// Helpers read the registry through the public calls. TemporaryRegistry does
// the same for a test that has a fixture of its own.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform.h"

// Names a registry file of its own, in a fresh temporary folder, through
// VELLORA_REGISTRY for as long as it lives; then puts the earlier name back.
class TemporaryRegistry {
 public:
  TemporaryRegistry() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vellora-registry-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
      folder_ = pattern;
    }
    if (const char* previous = getenv("VELLORA_REGISTRY")) {
      previous_ = previous;
    }
    setenv("VELLORA_REGISTRY", Path().c_str(), 1);
  }
  ~TemporaryRegistry() {
    if (previous_) {
      setenv("VELLORA_REGISTRY", previous_->c_str(), 1);
    } else {
      unsetenv("VELLORA_REGISTRY");
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  TemporaryRegistry(const TemporaryRegistry&) = delete;
  TemporaryRegistry& operator=(const TemporaryRegistry&) = delete;

  const std::string& Folder() const { return folder_; }
  std::string Path() const { return folder_ + "/registry"; }

 private:
  std::string folder_;
  std::optional<std::string> previous_;
};

class RegistryFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_.emplace();
    ASSERT_FALSE(Folder().empty());
  }
  void TearDown() override { registry_.reset(); }

  static void UseRegistry(const std::string& path) { setenv("VELLORA_REGISTRY", path.c_str(), 1); }

  std::string Folder() const { return registry_->Folder(); }
  std::string RegistryPath() const { return registry_->Path(); }

  // Helpers that free functions of the tests use too.
 public:
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }

  // The value's type and bytes; none when it cannot be read.
  static std::optional<std::pair<DWORD, std::vector<BYTE>>> Value(HKEY key, LPCSTR subKey, LPCSTR name) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(key, subKey, 0, KEY_READ, &opened) != ERROR_SUCCESS) {
      return std::nullopt;
    }
    DWORD type = REG_NONE;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExA(opened, name, nullptr, &type, nullptr, &size);
    std::vector<BYTE> data(size);
    if (status == ERROR_SUCCESS && size > 0) {
      status = RegQueryValueExA(opened, name, nullptr, &type, data.data(), &size);
    }
    RegCloseKey(opened);
    return status == ERROR_SUCCESS ? std::optional(std::make_pair(type, data)) : std::nullopt;
  }

  // A REG_SZ value's text; none when it is missing or of another type.
  static std::optional<std::string> Text(HKEY key, LPCSTR subKey, LPCSTR name) {
    auto value = Value(key, subKey, name);
    if (!value || value->first != REG_SZ || value->second.empty() || value->second.back() != 0) {
      return std::nullopt;
    }
    return std::string(value->second.begin(), value->second.end() - 1);
  }

  // The subkey names of `key` in listing order, stopping at the first failure.
  static std::vector<std::string> Subkeys(HKEY key) {
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
      char name[256];
      DWORD size = sizeof(name);
      if (RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return names;
      }
      names.emplace_back(name, size);
    }
  }

  static void CreateKey(const std::string& path) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, path.c_str(), &key), ERROR_SUCCESS) << path;
    RegCloseKey(key);
  }

  static bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
      return false;
    }
    RegCloseKey(key);
    return true;
  }

 private:
  std::optional<TemporaryRegistry> registry_;
};
