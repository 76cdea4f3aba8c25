// In-process servers that COM has loaded: each file is loaded once per
// process and stays until CoFreeUnusedLibraries finds that its
// DllCanUnloadNow answers S_OK. A server is pinned while a call into it is
// under way, so it is never freed under a caller. Lock order: this table's
// lock, then the loader lock (taken inside LoadLibraryA and FreeLibrary).
#pragma once

#include <list>
#include <mutex>
#include <string>

#include "platform.h"

namespace standin {

class InprocServers {
 public:
  static InprocServers& Instance();

  // The server's class object for `classId`, as `iid`.
  HRESULT GetClassObject(const std::string& path, REFCLSID classId, REFIID iid, void** out);
  // An instance made by the server's class factory for `classId`.
  HRESULT CreateInstance(const std::string& path, REFCLSID classId, IUnknown* outer, REFIID iid, void** out);
  void FreeUnused();

 private:
  typedef HRESULT(WINAPI* GetClassObjectEntry)(REFCLSID classId, REFIID iid, LPVOID* out);

  struct Server {
    std::string path;
    HMODULE module;
    LONG callsUnderWay;
  };

  // Loads the server on first use and pins it; none with `*failure` set.
  Server* Pin(const std::string& path, HRESULT* failure);
  void Unpin(Server* server);
  static GetClassObjectEntry EntryOf(Server* server);

  std::mutex lock_;
  std::list<Server> servers_;  // stable addresses while pinned
};

}  // namespace standin
