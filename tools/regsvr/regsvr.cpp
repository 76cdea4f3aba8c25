// regsvr: registers and unregisters in-process servers on the Linux build, as
// regsvr32 does on the platform, and shows the registry.
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform.h"
#include "standin_hooks.h"
#include "tools/regsvr/registry_listing.h"
#include "tools/regsvr/result_names.h"

namespace {

// Exit codes, after regsvr32's.
constexpr int kExitOk = 0;
constexpr int kExitArguments = 1;
constexpr int kExitLoad = 3;
constexpr int kExitEntry = 4;
constexpr int kExitFailed = 5;

constexpr char kUsage[] =
    "usage: regsvr MODULE        call the module's DllRegisterServer\n"
    "       regsvr -u MODULE     call the module's DllUnregisterServer\n"
    "       regsvr --list        print the registry (HKEY_CLASSES_ROOT)\n"
    "       regsvr --help        print this text\n";

constexpr char kHelp[] =
    "\n"
    "MODULE is the path of a module library (an in-process server). regsvr loads\n"
    "it, calls the entry point, prints the result code and unloads it.\n"
    "\n"
    "The registry lives in one file:\n"
    "  $VELLORA_REGISTRY                      when set and not empty, else\n"
    "  $XDG_DATA_HOME/vellora/registry        when XDG_DATA_HOME is an absolute path, else\n"
    "  $HOME/.local/share/vellora/registry\n"
    "\n"
    "Exit status: 0 success; 1 bad arguments; 3 the module cannot be loaded;\n"
    "4 it lacks the entry point; 5 the entry point answered a failure code, or\n"
    "the registry cannot be read.\n";

std::string RegistryPath() {
  char path[PATH_MAX];
  const DWORD length = StandinRegistryFilePath(path, sizeof(path));
  if (length == 0) {
    return "(none)";
  }
  return length < sizeof(path) ? std::string(path) : std::string("(too long to show)");
}

std::string CodeText(HRESULT code) {
  char hex[16];
  std::snprintf(hex, sizeof(hex), "0x%08X", static_cast<unsigned>(code));
  return std::string(hex) + " " + HresultName(code);
}

std::string Win32Text(LONG error) { return "error " + std::to_string(error) + " " + Win32ErrorName(error); }

// The loader looks a name without a slash up in the library path, as dlopen
// does; a file of that name in the current folder is what a person means.
std::string ModuleArgument(const char* argument) {
  struct stat info;
  if (std::strchr(argument, '/') == nullptr && stat(argument, &info) == 0) {
    return std::string("./") + argument;
  }
  return argument;
}

int CallEntry(const char* argument, const char* entryName) {
  const std::string given = ModuleArgument(argument);
  HMODULE module = LoadLibraryA(given.c_str());
  if (module == nullptr) {
    const LONG error = static_cast<LONG>(GetLastError());
    std::fprintf(stderr, "regsvr: cannot load %s: %s\n", argument, Win32Text(error).c_str());
    return kExitLoad;
  }
  char path[PATH_MAX];
  const DWORD length = GetModuleFileNameA(module, path, sizeof(path));
  const std::string shown = length > 0 && length < sizeof(path) ? std::string(path) : given;

  typedef HRESULT(WINAPI * Entry)();
  auto entry = reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(GetProcAddress(module, entryName)));
  if (entry == nullptr) {
    std::fprintf(stderr, "regsvr: %s has no %s export\n", shown.c_str(), entryName);
    FreeLibrary(module);
    return kExitEntry;
  }
  const HRESULT result = entry();
  std::fprintf(SUCCEEDED(result) ? stdout : stderr, "%s in %s: %s\n", entryName, shown.c_str(),
               CodeText(result).c_str());
  FreeLibrary(module);
  return SUCCEEDED(result) ? kExitOk : kExitFailed;
}

int List() {
  std::printf("Registry file: %s\n", RegistryPath().c_str());
  const LONG status = ListRegistry(stdout);
  std::fflush(stdout);
  if (status != ERROR_SUCCESS) {
    std::fprintf(stderr, "regsvr: cannot read the registry %s: %s\n", RegistryPath().c_str(),
                 Win32Text(status).c_str());
    return kExitFailed;
  }
  return kExitOk;
}

int Usage() {
  std::fputs(kUsage, stderr);
  return kExitArguments;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
    return List();
  }
  if (argc == 3 && std::strcmp(argv[1], "-u") == 0) {
    return CallEntry(argv[2], "DllUnregisterServer");
  }
  if (argc == 2 && argv[1][0] != '-') {
    return CallEntry(argv[1], "DllRegisterServer");
  }
  return Usage();
}
