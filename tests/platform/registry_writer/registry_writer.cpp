// A second process for the registry tests.
//   registry_writer churn PREFIX COUNT   registers Concurrent\PREFIX-i (a key with
//       an InprocServer32 subkey and two values) for i below COUNT, and
//       unregisters each odd one again right after;
//   registry_writer delete PATH          deletes the key at PATH.
// Exits non-zero when any call fails.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform.h"

namespace {

bool Check(LSTATUS status, const char* what, const std::string& key) {
  if (status != ERROR_SUCCESS) {
    std::fprintf(stderr, "registry_writer: %s %s: %ld\n", what, key.c_str(), static_cast<long>(status));
  }
  return status == ERROR_SUCCESS;
}

bool Register(const std::string& name) {
  const std::string key = "Concurrent\\" + name;
  HKEY server = nullptr;
  if (!Check(RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, name.c_str(), 0), "describe", key) ||
      !Check(RegCreateKeyA(HKEY_CLASSES_ROOT, (key + "\\InprocServer32").c_str(), &server), "create", key)) {
    return false;
  }
  const char model[] = "Both";
  const bool written =
      Check(RegSetValueA(server, nullptr, REG_SZ, name.c_str(), 0), "set path", key) &&
      Check(RegSetValueExA(server, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(model), sizeof(model)),
            "set model", key);
  return Check(RegCloseKey(server), "close", key) && written;
}

bool Unregister(const std::string& name) {
  const std::string key = "Concurrent\\" + name;
  return Check(RegDeleteKeyA(HKEY_CLASSES_ROOT, (key + "\\InprocServer32").c_str()), "delete server", key) &&
         Check(RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str()), "delete", key);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "churn") == 0) {
    const int count = std::atoi(argv[3]);
    for (int at = 0; at < count; ++at) {
      const std::string name = std::string(argv[2]) + "-" + std::to_string(at);
      if (!Register(name) || (at % 2 == 1 && !Unregister(name))) {
        return 1;
      }
    }
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "delete") == 0) {
    return Check(RegDeleteKeyA(HKEY_CLASSES_ROOT, argv[2]), "delete", argv[2]) ? 0 : 1;
  }
  std::fprintf(stderr, "usage: registry_writer churn PREFIX COUNT | delete PATH\n");
  return 2;
}
