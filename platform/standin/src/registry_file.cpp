#include "registry_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "registry_text.h"

namespace standin {

namespace {

// Win32 codes that the platform's headers have and ours need not publish.
constexpr LSTATUS kErrorWriteFault = 29;
constexpr LSTATUS kErrorDiskFull = 112;

// A registry file is small; anything far larger is not one.
constexpr size_t kMaxFileBytes = 64 * 1024 * 1024;

std::mutex& ProcessLock() {
  // Never destroyed: a detached thread may still use the registry during exit.
  static std::mutex* const lock = new std::mutex;
  return *lock;
}

LSTATUS ErrorOfErrno(int error, LSTATUS otherwise) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return otherwise;
  }
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

std::string HomeFolder() {
  std::string home = EnvironmentValue("HOME");
  if (!home.empty()) {
    return home;
  }
  std::vector<char> buffer(16384);
  passwd entry;
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr) {
    home = found->pw_dir;
  }
  return home;
}

std::string Absolute(const std::string& path) {
  if (path.empty() || path.front() == '/') {
    return path;
  }
  char folder[PATH_MAX];
  return getcwd(folder, sizeof(folder)) != nullptr ? std::string(folder) + "/" + path : path;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool RetryOnInterrupt(int result) { return result == -1 && errno == EINTR; }

// Creates `folder` and its missing parents.
int MakeFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string prefix = folder.substr(0, slash);
    if (mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
      return errno;
    }
    if (slash == std::string::npos) {
      return 0;
    }
  }
}

// Every byte of `text`, then fsync; answers errno or 0.
int WriteWhole(int fd, const std::string& text) {
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t count = write(fd, text.data() + written, text.size() - written);
    if (count < 0) {
      if (errno == EINTR) {
        continue;
      }
      return errno;
    }
    written += static_cast<size_t>(count);
  }
  return fsync(fd) == 0 ? 0 : errno;
}

int ReplaceFile(const std::string& path, const std::string& text) {
  const std::string temporary = path + "." + std::to_string(getpid()) + ".tmp";
  unlink(temporary.c_str());  // left by a writer that died, or by an earlier process of this id
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    return errno;
  }
  // The new file keeps the mode that a person may have given the old one.
  struct stat old;
  if (stat(path.c_str(), &old) == 0) {
    fchmod(fd, old.st_mode & 07777);
  }
  int error = WriteWhole(fd, text);
  if (close(fd) != 0 && error == 0) {
    error = errno;
  }
  if (error == 0 && rename(temporary.c_str(), path.c_str()) != 0) {
    error = errno;
  }
  if (error != 0) {
    unlink(temporary.c_str());
    return error;
  }
  return 0;
}

}  // namespace

std::string RegistryFilePath() {
  const std::string configured = EnvironmentValue("VELLORA_REGISTRY");
  if (!configured.empty()) {
    return Absolute(configured);
  }
  const std::string dataHome = EnvironmentValue("XDG_DATA_HOME");
  if (!dataHome.empty() && dataHome.front() == '/') {
    return dataHome + "/vellora/registry";
  }
  const std::string home = Absolute(HomeFolder());
  return home.empty() ? std::string() : home + "/.local/share/vellora/registry";
}

LSTATUS LoadRegistry(const std::string& path, RegistryTree* tree) {
  if (path.empty()) {
    return ERROR_SUCCESS;
  }
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return errno == ENOENT ? ERROR_SUCCESS : ErrorOfErrno(errno, ERROR_BADDB);
  }
  std::string text;
  char buffer[16384];
  ssize_t count = 0;
  while ((count = read(fd, buffer, sizeof(buffer))) != 0) {
    if (count < 0 && errno == EINTR) {
      continue;
    }
    if (count < 0 || text.size() + static_cast<size_t>(count) > kMaxFileBytes) {
      close(fd);
      return ERROR_BADDB;
    }
    text.append(buffer, static_cast<size_t>(count));
  }
  close(fd);
  return ParseRegistry(text, tree) ? ERROR_SUCCESS : ERROR_BADDB;
}

RegistryChange::~RegistryChange() {
  if (lockFile_ >= 0) {
    close(lockFile_);  // drops the flock
  }
}

LSTATUS RegistryChange::Begin(RegistryTree* tree) {
  if (path_.empty()) {
    return ERROR_ACCESS_DENIED;  // nowhere to write
  }
  processLock_ = std::unique_lock<std::mutex>(ProcessLock());
  if (const int error = MakeFolders(FolderOf(path_)); error != 0) {
    return ErrorOfErrno(error, kErrorWriteFault);
  }
  lockFile_ = open((path_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (lockFile_ < 0) {
    return ErrorOfErrno(errno, kErrorWriteFault);
  }
  int locked = 0;
  do {
    locked = flock(lockFile_, LOCK_EX);
  } while (RetryOnInterrupt(locked));
  if (locked != 0) {
    return ErrorOfErrno(errno, kErrorWriteFault);
  }
  return LoadRegistry(path_, tree);
}

LSTATUS RegistryChange::Commit(const RegistryTree& tree) {
  const int error = ReplaceFile(path_, FormatRegistry(tree));
  return error == 0 ? ERROR_SUCCESS : ErrorOfErrno(error, kErrorWriteFault);
}

}  // namespace standin
