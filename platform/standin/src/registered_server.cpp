#include "registered_server.h"

#include <vector>

namespace standin {

namespace {

constexpr int kClassIdUnits = 39;

// "CLSID\{id}\InprocServer32", with the id in its braced upper-case form.
std::string ServerKeyName(REFCLSID classId) {
  WCHAR wide[kClassIdUnits];
  StringFromGUID2(classId, wide, kClassIdUnits);
  std::string name = "CLSID\\";
  for (int at = 0; at < kClassIdUnits - 1; ++at) {
    name += static_cast<char>(wide[at]);  // the id's text is ASCII
  }
  return name + "\\InprocServer32";
}

}  // namespace

// The server key's default value, when it is a non-empty text. A registry
// that cannot be read registers nothing.
std::optional<std::string> FindRegisteredServer(REFCLSID classId) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ServerKeyName(classId).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  // The value may grow between asking its size and reading it: then ask again.
  std::vector<BYTE> data;
  DWORD type = REG_NONE;
  DWORD size = 0;
  LSTATUS status = RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size);
  while (status == ERROR_SUCCESS) {
    data.resize(size + 1);
    size = static_cast<DWORD>(data.size());
    status = RegQueryValueExA(key, nullptr, nullptr, &type, data.data(), &size);
    if (status != ERROR_MORE_DATA) {
      data.resize(size);
      break;
    }
    status = ERROR_SUCCESS;
  }
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_SZ) {
    return std::nullopt;
  }
  std::string path(data.begin(), data.end());
  path.resize(path.find('\0') == std::string::npos ? path.size() : path.find('\0'));
  return path.empty() ? std::nullopt : std::optional<std::string>(path);
}

}  // namespace standin
