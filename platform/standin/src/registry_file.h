// The one file in which the registry persists, and how it is read and
// changed. Its place, read whenever the registry is opened:
//   $VELLORA_REGISTRY (the file's path) when set and not empty, else
//   $XDG_DATA_HOME/vellora/registry when XDG_DATA_HOME is an absolute path, else
//   $HOME/.local/share/vellora/registry (HOME from the password database when unset).
//
// Every operation works on the file's current contents: reads read the file
// anew, and changes read it again under the lock. A change holds, in this
// order, the process's registry mutex and an exclusive flock on the sidecar
// "<path>.lock" (the file itself is replaced by rename, so it cannot carry the
// lock), and replaces the file atomically: a temporary file in the same
// folder, fsync, rename. A crash may lose the latest change (the folder is
// not synced, which would double the cost of a change) but never leaves a
// half-written file. A missing file is an empty registry, created with its
// folder by the first change. A file that cannot be parsed is ERROR_BADDB
// (ERROR_ACCESS_DENIED when it may not be read) and is never written over.
#pragma once

#include <mutex>
#include <string>

#include "registry_tree.h"

namespace standin {

// Absolute; empty when no place can be named (no environment and no home).
std::string RegistryFilePath();

// The file's current contents into the empty `*tree`.
LSTATUS LoadRegistry(const std::string& path, RegistryTree* tree);

// Holds the file for one change, from Begin to the object's end.
class RegistryChange {
 public:
  explicit RegistryChange(const std::string& path) : path_(path) {}
  ~RegistryChange();
  RegistryChange(const RegistryChange&) = delete;
  RegistryChange& operator=(const RegistryChange&) = delete;

  // Takes the locks and reads the current contents into the empty `*tree`.
  LSTATUS Begin(RegistryTree* tree);
  // Replaces the file with `tree`.
  LSTATUS Commit(const RegistryTree& tree);

 private:
  const std::string path_;
  std::unique_lock<std::mutex> processLock_;
  int lockFile_ = -1;
};

// Runs `look(const RegistryTree&)` on the current contents.
template <typename Look>
LSTATUS ReadRegistry(const std::string& path, Look look) {
  RegistryTree tree;
  const LSTATUS status = LoadRegistry(path, &tree);
  return status != ERROR_SUCCESS ? status : look(static_cast<const RegistryTree&>(tree));
}

// Runs `change(RegistryTree&, bool& changed)` on the current contents under
// the locks, and writes the tree back when it succeeds having changed it.
template <typename Change>
LSTATUS ChangeRegistry(const std::string& path, Change change) {
  RegistryChange hold(path);
  RegistryTree tree;
  LSTATUS status = hold.Begin(&tree);
  if (status != ERROR_SUCCESS) {
    return status;
  }
  bool changed = false;
  status = change(tree, changed);
  return status != ERROR_SUCCESS || !changed ? status : hold.Commit(tree);
}

}  // namespace standin
