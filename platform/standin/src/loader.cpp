#include "loader.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "export_guard.h"
#include "standin_hooks.h"

namespace standin {

namespace {

typedef BOOL(WINAPI* DllEntry)(HINSTANCE instance, DWORD reason, LPVOID reserved);

// Platform libraries whose exports the stand-in serves.
constexpr std::array<std::string_view, 3> kSelfAliases = {"ole32.dll", "combase.dll", "kernel32.dll"};

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lowered;
}

std::string_view BaseName(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The name the platform would look for: lower case, ".dll" when no
// extension was given.
std::string ModuleKey(std::string_view name) {
  std::string key = Lowered(BaseName(name));
  if (key.find('.') == std::string::npos) {
    key += ".dll";
  }
  return key;
}

std::string RealPath(const char* path) {
  char resolved[PATH_MAX];
  return realpath(path, resolved) != nullptr ? std::string(resolved) : std::string(path);
}

link_map* LinkMapOf(void* handle) {
  link_map* map = nullptr;
  return dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 ? map : nullptr;
}

// dlsym on a handle also searches the module's dependencies; the platform
// looks only at the module's own exports.
void* OwnSymbol(void* handle, const char* name) {
  void* symbol = dlsym(handle, name);
  if (symbol == nullptr) {
    return nullptr;
  }
  Dl_info info;
  link_map* definedIn = nullptr;
  if (dladdr1(symbol, &info, reinterpret_cast<void**>(&definedIn), RTLD_DL_LINKMAP) == 0) {
    return nullptr;
  }
  return definedIn == LinkMapOf(handle) ? symbol : nullptr;
}

void* SelfHandle(std::string& path) {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&CoInitializeEx), &info) == 0 || info.dli_fname == nullptr) {
    return nullptr;
  }
  path = RealPath(info.dli_fname);
  // Holds one reference on the stand-in for the life of the process.
  return dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
}

std::string ExecutablePath() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
  return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

}  // namespace

Loader& Loader::Instance() {
  // Never destroyed: modules may still be freed during exit.
  static Loader* const loader = new Loader;
  return *loader;
}

Loader::Loader() {
  self_ = SelfHandle(selfPath_);
  executable_ = dlopen(nullptr, RTLD_NOW);
  executablePath_ = ExecutablePath();
}

Loader::LoadedModule* Loader::Find(void* handle) {
  auto found =
      std::find_if(modules_.begin(), modules_.end(), [&](const LoadedModule& m) { return m.handle == handle; });
  return found == modules_.end() ? nullptr : &*found;
}

void Loader::Forget(void* handle) {
  std::erase_if(modules_, [&](const LoadedModule& m) { return m.handle == handle; });
}

bool Loader::CallEntry(void* handle, DWORD reason) {
  auto entry = reinterpret_cast<DllEntry>(OwnSymbol(handle, "DllMain"));
  return entry == nullptr || entry(static_cast<HMODULE>(handle), reason, nullptr) != FALSE;
}

HMODULE Loader::Load(const char* fileName) {
  if (fileName == nullptr || *fileName == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const std::string_view name(fileName);
  if (name.find('/') == std::string_view::npos &&
      std::find(kSelfAliases.begin(), kSelfAliases.end(), ModuleKey(name)) != kSelfAliases.end()) {
    return static_cast<HMODULE>(self_);
  }
  std::lock_guard<std::recursive_mutex> hold(lock_);
  modules_.reserve(modules_.size() + 1);
  void* handle = dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const bool present = name.find('/') != std::string_view::npos && access(fileName, F_OK) == 0;
    SetLastError(present ? ERROR_BAD_EXE_FORMAT : ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  if (LoadedModule* loaded = Find(handle); loaded != nullptr || IsPermanent(handle)) {
    dlclose(handle);  // the table holds one dlopen reference per module
    if (loaded != nullptr) {
      ++loaded->loadCount;
    }
    return static_cast<HMODULE>(handle);
  }
  link_map* map = LinkMapOf(handle);
  modules_.push_back({handle, RealPath(map != nullptr ? map->l_name : fileName), 1});
  if (!CallEntry(handle, DLL_PROCESS_ATTACH)) {
    // As on the platform: a refused attach is followed by a detach and the unload.
    CallEntry(handle, DLL_PROCESS_DETACH);
    Forget(handle);
    dlclose(handle);
    SetLastError(ERROR_DLL_INIT_FAILED);
    return nullptr;
  }
  return static_cast<HMODULE>(handle);
}

BOOL Loader::Free(HMODULE module) {
  std::lock_guard<std::recursive_mutex> hold(lock_);
  if (IsPermanent(module)) {
    return TRUE;
  }
  LoadedModule* loaded = Find(module);
  if (loaded == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
  }
  if (--loaded->loadCount > 0) {
    return TRUE;
  }
  CallEntry(module, DLL_PROCESS_DETACH);
  Forget(module);
  dlclose(module);
  return TRUE;
}

HMODULE Loader::FindByName(const char* moduleName) {
  if (moduleName == nullptr) {
    return static_cast<HMODULE>(executable_);
  }
  const std::string_view name(moduleName);
  const std::string key = ModuleKey(name);
  const bool byPath = name.find('/') != std::string_view::npos;
  const std::string path = byPath ? RealPath(moduleName) : std::string();
  std::lock_guard<std::recursive_mutex> hold(lock_);
  if (hiddenNames_.count(key) == 0) {
    const bool isSelf = byPath ? path == selfPath_
                               : (key == ModuleKey(BaseName(selfPath_)) ||
                                  std::find(kSelfAliases.begin(), kSelfAliases.end(), key) != kSelfAliases.end());
    if (isSelf) {
      return static_cast<HMODULE>(self_);
    }
    for (const LoadedModule& module : modules_) {
      if (byPath ? module.path == path : ModuleKey(BaseName(module.path)) == key) {
        return static_cast<HMODULE>(module.handle);
      }
    }
    if (byPath ? path == executablePath_ : key == ModuleKey(BaseName(executablePath_))) {
      return static_cast<HMODULE>(executable_);
    }
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

FARPROC Loader::FindProc(HMODULE module, const char* procName) {
  void* handle = module == nullptr ? executable_ : module;
  std::lock_guard<std::recursive_mutex> hold(lock_);
  if (!IsKnown(handle)) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  // Values below 0x10000 are export ordinals, which modules here do not have.
  void* symbol = reinterpret_cast<uintptr_t>(procName) < 0x10000 ? nullptr : OwnSymbol(handle, procName);
  if (symbol == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

std::optional<std::string> Loader::PathOf(HMODULE module) {
  if (module == nullptr || module == executable_) {
    return executablePath_;
  }
  std::lock_guard<std::recursive_mutex> hold(lock_);
  if (module == self_) {
    return selfPath_;
  }
  const LoadedModule* loaded = Find(module);
  return loaded != nullptr ? std::optional<std::string>(loaded->path) : std::nullopt;
}

void Loader::Hide(const char* moduleName, bool hidden) {
  if (moduleName == nullptr) {
    return;
  }
  std::lock_guard<std::recursive_mutex> hold(lock_);
  if (hidden) {
    hiddenNames_.insert(ModuleKey(moduleName));
  } else {
    hiddenNames_.erase(ModuleKey(moduleName));
  }
}

}  // namespace standin

using standin::Guarded;
using standin::Loader;

extern "C" {

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
  return Guarded<HMODULE>(nullptr, [&] { return Loader::Instance().Load(fileName); });
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  return Guarded<BOOL>(FALSE, [&] { return Loader::Instance().Free(module); });
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
  return Guarded<HMODULE>(nullptr, [&] { return Loader::Instance().FindByName(moduleName); });
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
  return Guarded<FARPROC>(nullptr, [&] { return Loader::Instance().FindProc(module, procName); });
}

// Thread notifications are never sent here, so there is nothing to switch off.
BOOL WINAPI DisableThreadLibraryCalls(HMODULE) { return TRUE; }

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  return Guarded<DWORD>(0, [&]() -> DWORD {
    const std::optional<std::string> path = Loader::Instance().PathOf(module);
    if (!path) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return 0;
    }
    if (fileName == nullptr || size == 0) {
      SetLastError(size == 0 ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_PARAMETER);
      return 0;
    }
    if (path->size() < size) {
      std::memcpy(fileName, path->c_str(), path->size() + 1);
      return static_cast<DWORD>(path->size());
    }
    // Cut to fit, terminated, and reported by a result equal to the size.
    std::memcpy(fileName, path->data(), size - 1);
    fileName[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  });
}

void StandinHideModule(LPCSTR moduleName, BOOL hidden) {
  standin::GuardedVoid([&] { Loader::Instance().Hide(moduleName, hidden != FALSE); });
}

}  // extern "C"
