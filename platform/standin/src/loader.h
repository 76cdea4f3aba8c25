// The module loader: dlopen underneath, with the platform's rules on top. A
// module's HMODULE is its dlopen handle; its DllMain sees process attach on
// the first load and process detach on the last free, always under the one
// (recursive) loader lock. The executable and the stand-in itself are
// permanent modules; the stand-in answers to the names of the platform's COM
// and kernel libraries.
#pragma once

#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform.h"

namespace standin {

class Loader {
 public:
  static Loader& Instance();

  HMODULE Load(const char* fileName);
  BOOL Free(HMODULE module);
  HMODULE FindByName(const char* moduleName);
  FARPROC FindProc(HMODULE module, const char* procName);
  // The module's absolute path; none for an unknown handle.
  std::optional<std::string> PathOf(HMODULE module);
  void Hide(const char* moduleName, bool hidden);

 private:
  struct LoadedModule {
    void* handle;
    std::string path;
    LONG loadCount;
  };

  Loader();
  LoadedModule* Find(void* handle);
  void Forget(void* handle);
  bool IsPermanent(void* handle) const { return handle == self_ || handle == executable_; }
  bool IsKnown(void* handle) { return IsPermanent(handle) || Find(handle) != nullptr; }
  bool CallEntry(void* handle, DWORD reason);

  std::recursive_mutex lock_;  // the loader lock
  std::vector<LoadedModule> modules_;
  std::set<std::string> hiddenNames_;  // lower case
  void* self_ = nullptr;
  std::string selfPath_;
  void* executable_ = nullptr;
  std::string executablePath_;
};

}  // namespace standin
