#include "tools/regsvr/registry_listing.h"

#include <string>
#include <vector>

namespace {

constexpr DWORD kMaxNameBytes = 16384;  // a value name, terminator included

const char* TypeName(DWORD type) {
  switch (type) {
    case REG_NONE:
      return "REG_NONE";
    case REG_SZ:
      return "REG_SZ";
    case 2:
      return "REG_EXPAND_SZ";
    case REG_BINARY:
      return "REG_BINARY";
    case REG_DWORD:
      return "REG_DWORD";
    case REG_MULTI_SZ:
      return "REG_MULTI_SZ";
    case 11:
      return "REG_QWORD";
    default:
      return nullptr;
  }
}

std::string Quoted(const std::vector<BYTE>& data, size_t length) {
  std::string text = "\"";
  for (size_t at = 0; at < length; ++at) {
    const BYTE byte = data[at];
    if (byte == '"' || byte == '\\') {
      text += '\\';
      text += static_cast<char>(byte);
    } else if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\x%02x", byte);
      text += escaped;
    } else {
      text += static_cast<char>(byte);
    }
  }
  return text + "\"";
}

std::string Hex(const std::vector<BYTE>& data) {
  std::string text;
  for (BYTE byte : data) {
    char pair[4];
    std::snprintf(pair, sizeof(pair), "%s%02x", text.empty() ? "" : " ", byte);
    text += pair;
  }
  return text.empty() ? "(no data)" : text;
}

std::string DataText(DWORD type, const std::vector<BYTE>& data) {
  if (type == REG_SZ && !data.empty() && data.back() == 0) {
    return Quoted(data, data.size() - 1);
  }
  if (type == REG_DWORD && data.size() == sizeof(DWORD)) {
    const DWORD number = data[0] | data[1] << 8 | data[2] << 16 | static_cast<DWORD>(data[3]) << 24;
    char text[40];
    std::snprintf(text, sizeof(text), "0x%08x (%u)", static_cast<unsigned>(number), static_cast<unsigned>(number));
    return text;
  }
  return Hex(data);
}

// The value at `index`: ERROR_NO_MORE_ITEMS past the last.
LONG ReadValue(HKEY key, DWORD index, std::string* name, DWORD* type, std::vector<BYTE>* data) {
  std::vector<char> nameBuffer(kMaxNameBytes);
  for (;;) {
    DWORD nameSize = kMaxNameBytes;
    DWORD dataSize = 0;
    LONG status = RegEnumValueA(key, index, nameBuffer.data(), &nameSize, nullptr, type, nullptr, &dataSize);
    if (status != ERROR_SUCCESS) {
      return status;
    }
    data->resize(dataSize + 1);  // room to spare: a full buffer means it fit
    nameSize = kMaxNameBytes;
    dataSize = static_cast<DWORD>(data->size());
    status = RegEnumValueA(key, index, nameBuffer.data(), &nameSize, nullptr, type, data->data(), &dataSize);
    if (status == ERROR_MORE_DATA) {
      continue;  // it grew meanwhile
    }
    data->resize(dataSize);
    name->assign(nameBuffer.data(), nameSize);
    return status;
  }
}

LONG ListValues(std::FILE* out, HKEY key, int depth) {
  for (DWORD index = 0;; ++index) {
    std::string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    const LONG status = ReadValue(key, index, &name, &type, &data);
    if (status != ERROR_SUCCESS) {
      return status == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : status;
    }
    const char* typeName = TypeName(type);
    const std::string typeText = typeName != nullptr ? typeName : "type " + std::to_string(type);
    std::fprintf(out, "%*s%s  %s  %s\n", 2 * depth, "", name.empty() ? "(Default)" : name.c_str(), typeText.c_str(),
                 DataText(type, data).c_str());
  }
}

LONG ListKey(std::FILE* out, HKEY key, int depth) {
  LONG status = ListValues(out, key, depth);
  for (DWORD index = 0; status == ERROR_SUCCESS; ++index) {
    char name[256];
    DWORD size = sizeof(name);
    status = RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) {
      return ERROR_SUCCESS;
    }
    if (status != ERROR_SUCCESS) {
      return status;
    }
    std::fprintf(out, "%*s%s\n", 2 * depth, "", name);
    HKEY subkey = nullptr;
    status = RegOpenKeyExA(key, name, 0, KEY_READ, &subkey);
    if (status == ERROR_SUCCESS) {
      status = ListKey(out, subkey, depth + 1);
      RegCloseKey(subkey);
    }
  }
  return status;
}

}  // namespace

LONG ListRegistry(std::FILE* out) {
  std::fprintf(out, "HKEY_CLASSES_ROOT\n");
  return ListKey(out, HKEY_CLASSES_ROOT, 1);
}
