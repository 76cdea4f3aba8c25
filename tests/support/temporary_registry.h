// TemporaryRegistry: points the stand-in's registry at a file of its own for
// the life of a test, and reads keys back.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform.h"

class TemporaryRegistry {
 public:
  TemporaryRegistry() {
    char pattern[] = "/tmp/vellora-registry-XXXXXX";
    Folder = mkdtemp(pattern);
    const char* earlier = getenv("VELLORA_REGISTRY");
    if (earlier != nullptr) {
      Earlier = earlier;
    }
    setenv("VELLORA_REGISTRY", Path().c_str(), 1);
  }
  ~TemporaryRegistry() {
    if (Earlier.empty()) {
      unsetenv("VELLORA_REGISTRY");
    } else {
      setenv("VELLORA_REGISTRY", Earlier.c_str(), 1);
    }
    std::filesystem::remove_all(Folder);
  }
  TemporaryRegistry(const TemporaryRegistry&) = delete;
  TemporaryRegistry& operator=(const TemporaryRegistry&) = delete;

  std::string Path() const { return (Folder / "registry").string(); }

  static bool KeyExists(const std::string& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
      return false;
    }
    RegCloseKey(opened);
    return true;
  }

  // The text value `name` (empty: the default value) of `key`, or "<missing>".
  static std::string Text(const std::string& key, const char* name = "") {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
      return "<missing>";
    }
    char data[1024] = {};
    DWORD size = sizeof(data) - 1;
    DWORD type = 0;
    const LONG error = RegQueryValueExA(opened, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(opened);
    return error == ERROR_SUCCESS && type == REG_SZ ? std::string(data) : "<missing>";
  }

  static void CreateKey(const std::string& key) {
    HKEY created = nullptr;
    if (RegCreateKeyA(HKEY_CLASSES_ROOT, key.c_str(), &created) == ERROR_SUCCESS) {
      RegCloseKey(created);
    }
  }

 private:
  std::filesystem::path Folder;
  std::string Earlier;
};
