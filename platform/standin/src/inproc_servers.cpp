#include "inproc_servers.h"

#include <algorithm>

namespace standin {

namespace {

template <typename Function>
Function ExportOf(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace

InprocServers& InprocServers::Instance() {
  static InprocServers* const servers = new InprocServers;
  return *servers;
}

InprocServers::Server* InprocServers::Pin(const std::string& path, HRESULT* failure) {
  std::lock_guard<std::mutex> hold(lock_);
  auto found = std::find_if(servers_.begin(), servers_.end(), [&](const Server& s) { return s.path == path; });
  if (found == servers_.end()) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
      *failure = HRESULT_FROM_WIN32(GetLastError());
      return nullptr;
    }
    servers_.push_back({path, module, 0});
    found = std::prev(servers_.end());
  }
  ++found->callsUnderWay;
  return &*found;
}

void InprocServers::Unpin(Server* server) {
  std::lock_guard<std::mutex> hold(lock_);
  --server->callsUnderWay;
}

InprocServers::GetClassObjectEntry InprocServers::EntryOf(Server* server) {
  return ExportOf<GetClassObjectEntry>(server->module, "DllGetClassObject");
}

HRESULT InprocServers::GetClassObject(const std::string& path, REFCLSID classId, REFIID iid, void** out) {
  HRESULT result = S_OK;
  Server* server = Pin(path, &result);
  if (server == nullptr) {
    return result;
  }
  GetClassObjectEntry entry = EntryOf(server);
  result = entry != nullptr ? entry(classId, iid, out) : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  Unpin(server);
  return result;
}

HRESULT InprocServers::CreateInstance(const std::string& path, REFCLSID classId, IUnknown* outer, REFIID iid,
                                      void** out) {
  HRESULT result = S_OK;
  Server* server = Pin(path, &result);
  if (server == nullptr) {
    return result;
  }
  IClassFactory* factory = nullptr;
  GetClassObjectEntry entry = EntryOf(server);
  result = entry != nullptr ? entry(classId, IID_IClassFactory, reinterpret_cast<void**>(&factory))
                            : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  if (SUCCEEDED(result) && factory == nullptr) {
    result = E_NOINTERFACE;
  }
  if (SUCCEEDED(result)) {
    result = factory->CreateInstance(outer, iid, out);
    factory->Release();
  }
  Unpin(server);
  return result;
}

void InprocServers::FreeUnused() {
  typedef HRESULT(WINAPI * CanUnloadNowEntry)();
  std::lock_guard<std::mutex> hold(lock_);
  for (auto server = servers_.begin(); server != servers_.end();) {
    auto canUnloadNow = ExportOf<CanUnloadNowEntry>(server->module, "DllCanUnloadNow");
    if (server->callsUnderWay == 0 && canUnloadNow != nullptr && canUnloadNow() == S_OK) {
      FreeLibrary(server->module);
      server = servers_.erase(server);
    } else {
      ++server;
    }
  }
}

}  // namespace standin
