#include "filter_mapper_store.h"

#include <cstring>
#include <mutex>
#include <optional>

#include "utf.h"

namespace standin {

namespace {

// The category under which CreateCategory records categories.
const CLSID kCategoryOfCategories = {0xDA4E3DA0, 0xD07D, 0x11D0, {0xBD, 0x50, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};

constexpr DWORD kPinFlagMask = REG_PINFLAG_B_ZERO | REG_PINFLAG_B_RENDERER | REG_PINFLAG_B_MANY | REG_PINFLAG_B_OUTPUT;

std::mutex storeLock;

// An open registry key, closed when it goes.
class Key {
 public:
  Key() = default;
  ~Key() {
    if (handle_ != nullptr) {
      RegCloseKey(handle_);
    }
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;

  HKEY get() const { return handle_; }
  PHKEY out() { return &handle_; }

 private:
  HKEY handle_ = nullptr;
};

LONG OpenToWrite(HKEY parent, const std::string& path, Key* key) {
  return RegOpenKeyExA(parent, path.c_str(), 0, KEY_ALL_ACCESS, key->out());
}

LONG OpenToRead(HKEY parent, const std::string& path, Key* key) {
  return RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, key->out());
}

LONG CreateKey(HKEY parent, const std::string& path, Key* key) {
  return RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key->out(),
                         nullptr);
}

LONG SetText(HKEY key, const char* name, const std::string& text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                        static_cast<DWORD>(text.size() + 1));
}

LONG SetDword(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

// A value of the wrong type reads as missing: ERROR_FILE_NOT_FOUND.
LONG ReadValue(HKEY key, const char* name, DWORD wantedType, std::string* data) {
  for (;;) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG status = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS) {
      return status;
    }
    if (type != wantedType) {
      return ERROR_FILE_NOT_FOUND;
    }
    data->assign(size, '\0');
    status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data->data()), &size);
    if (status == ERROR_MORE_DATA) {
      continue;  // it grew between the two calls
    }
    if (status == ERROR_SUCCESS) {
      data->resize(size);
    }
    return status;
  }
}

LONG ReadText(HKEY key, const char* name, std::string* text) {
  const LONG status = ReadValue(key, name, REG_SZ, text);
  if (status == ERROR_SUCCESS) {
    text->resize(text->find('\0') == std::string::npos ? text->size() : text->find('\0'));
  }
  return status;
}

LONG ReadDword(HKEY key, const char* name, DWORD* value) {
  std::string data;
  const LONG status = ReadValue(key, name, REG_DWORD, &data);
  if (status != ERROR_SUCCESS) {
    return status;
  }
  if (data.size() != sizeof(DWORD)) {
    return ERROR_FILE_NOT_FOUND;
  }
  std::memcpy(value, data.data(), sizeof(DWORD));
  return ERROR_SUCCESS;
}

// Names are gathered before any of them is read, so that reading never
// interleaves with index-based enumeration.
LONG SubkeyNames(HKEY key, std::vector<std::string>* names) {
  std::string name(256, '\0');
  for (DWORD index = 0;;) {
    DWORD size = static_cast<DWORD>(name.size());
    const LONG status = RegEnumKeyExA(key, index, name.data(), &size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) {
      return ERROR_SUCCESS;
    }
    if (status == ERROR_MORE_DATA) {
      name.assign(name.size() * 2, '\0');
      continue;
    }
    if (status != ERROR_SUCCESS) {
      return status;
    }
    names->emplace_back(name.data(), size);
    ++index;
  }
}

// Removes `name` under `parent` with all below it; ERROR_FILE_NOT_FOUND when
// it is not there. Stops at the first subkey that cannot go.
LONG DeleteTree(HKEY parent, const std::string& name) {
  {
    Key key;
    LONG status = OpenToWrite(parent, name, &key);
    if (status != ERROR_SUCCESS) {
      return status;
    }
    std::vector<std::string> children;
    status = SubkeyNames(key.get(), &children);
    if (status != ERROR_SUCCESS) {
      return status;
    }
    for (const std::string& child : children) {
      status = DeleteTree(key.get(), child);
      if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
        return status;
      }
    }
  }
  return RegDeleteKeyA(parent, name.c_str());
}

std::string GuidText(REFGUID guid) {
  WCHAR wide[39];
  StringFromGUID2(guid, wide, 39);
  return std::string(wide, wide + 38);
}

int HexDigit(char unit) {
  if (unit >= '0' && unit <= '9') return unit - '0';
  if (unit >= 'A' && unit <= 'F') return unit - 'A' + 10;
  if (unit >= 'a' && unit <= 'f') return unit - 'a' + 10;
  return -1;
}

// The braced 38-character form; none for anything else.
std::optional<GUID> ParseGuid(const std::string& text) {
  static constexpr char kShape[] = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
  if (text.size() != sizeof(kShape) - 1) {
    return std::nullopt;
  }
  BYTE bytes[16] = {};
  int nibble = 0;
  for (size_t at = 0; at < text.size(); ++at) {
    if (kShape[at] != 'X') {
      if (text[at] != kShape[at]) return std::nullopt;
      continue;
    }
    const int digit = HexDigit(text[at]);
    if (digit < 0) return std::nullopt;
    bytes[nibble / 2] = static_cast<BYTE>(bytes[nibble / 2] << 4 | digit);
    ++nibble;
  }
  GUID guid;
  guid.Data1 = static_cast<uint32_t>(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
  guid.Data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
  guid.Data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
  std::memcpy(guid.Data4, bytes + 8, 8);
  return guid;
}

std::string CategoryPath(REFCLSID category) { return "CLSID\\" + GuidText(category) + "\\Instance"; }

std::string InstancePath(const FilterPlace& place) { return CategoryPath(place.category) + "\\" + place.instance; }

std::string PinPath(const std::string& pinName) { return "Pins\\" + pinName; }

std::string TypePath(const MapperPinType& type) {
  return "Types\\" + GuidText(type.major) + "\\" + GuidText(type.minor);
}

HRESULT FromStatus(LONG status) { return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status); }

LONG WriteValues(HKEY key, REFCLSID clsid, const std::string& name, DWORD merit) {
  LONG status = SetText(key, "FriendlyName", name);
  if (status == ERROR_SUCCESS) status = SetText(key, "CLSID", GuidText(clsid));
  if (status == ERROR_SUCCESS) status = SetDword(key, "Merit", merit);
  return status;
}

LONG WritePinUnder(HKEY instance, const MapperPin& pin) {
  Key key;
  LONG status = CreateKey(instance, PinPath(pin.name), &key);
  if (status == ERROR_SUCCESS) status = SetDword(key.get(), "Flags", pin.flags & kPinFlagMask);
  if (status == ERROR_SUCCESS) status = SetDword(key.get(), "Instances", pin.instances);
  if (status == ERROR_SUCCESS && pin.connectsToFilter != GUID_NULL) {
    status = SetText(key.get(), "ConnectsToFilter", GuidText(pin.connectsToFilter));
  }
  if (status == ERROR_SUCCESS && !pin.connectsToPin.empty()) {
    status = SetText(key.get(), "ConnectsToPin", pin.connectsToPin);
  }
  if (status == ERROR_SUCCESS && pin.category != GUID_NULL) {
    status = SetText(key.get(), "Category", GuidText(pin.category));
  }
  for (const MapperPinType& type : pin.types) {
    if (status != ERROR_SUCCESS) break;
    Key typeKey;
    status = CreateKey(key.get(), TypePath(type), &typeKey);
  }
  return status;
}

LONG WriteWholeFilter(const std::string& path, const MapperFilter& filter) {
  Key key;
  LONG status = CreateKey(HKEY_CLASSES_ROOT, path, &key);
  if (status == ERROR_SUCCESS) status = WriteValues(key.get(), filter.clsid, filter.name, filter.merit);
  for (const MapperPin& pin : filter.pins) {
    if (status != ERROR_SUCCESS) break;
    status = WritePinUnder(key.get(), pin);
  }
  return status;
}

// Missing optional values read as their defaults.
LONG Optional(LONG status) { return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status; }

LONG ReadClassText(HKEY key, const char* name, CLSID* clsid) {
  std::string text;
  const LONG status = ReadText(key, name, &text);
  if (status == ERROR_SUCCESS) {
    *clsid = ParseGuid(text).value_or(GUID_NULL);
  }
  return Optional(status);
}

// Types are keys named by class id text; other keys are passed over.
LONG ReadPinTypes(HKEY pin, std::vector<MapperPinType>* types) {
  Key majors;
  LONG status = OpenToRead(pin, "Types", &majors);
  if (status != ERROR_SUCCESS) {
    return Optional(status);
  }
  std::vector<std::string> majorNames;
  status = SubkeyNames(majors.get(), &majorNames);
  for (const std::string& majorName : majorNames) {
    Key minors;
    std::vector<std::string> minorNames;
    if (status == ERROR_SUCCESS) status = Optional(OpenToRead(majors.get(), majorName, &minors));
    if (status == ERROR_SUCCESS && minors.get() != nullptr) status = SubkeyNames(minors.get(), &minorNames);
    if (status != ERROR_SUCCESS) break;
    const std::optional<GUID> major = ParseGuid(majorName);
    for (const std::string& minorName : minorNames) {
      const std::optional<GUID> minor = ParseGuid(minorName);
      if (major && minor) {
        types->push_back({*major, *minor});
      }
    }
  }
  return status;
}

LONG ReadPin(HKEY pins, const std::string& name, MapperPin* pin) {
  Key key;
  LONG status = OpenToRead(pins, name, &key);
  if (status != ERROR_SUCCESS) {
    return status;
  }
  pin->name = name;
  status = Optional(ReadDword(key.get(), "Flags", &pin->flags));
  if (status == ERROR_SUCCESS) status = Optional(ReadDword(key.get(), "Instances", &pin->instances));
  if (status == ERROR_SUCCESS) status = ReadClassText(key.get(), "ConnectsToFilter", &pin->connectsToFilter);
  if (status == ERROR_SUCCESS) status = Optional(ReadText(key.get(), "ConnectsToPin", &pin->connectsToPin));
  if (status == ERROR_SUCCESS) status = ReadClassText(key.get(), "Category", &pin->category);
  if (status == ERROR_SUCCESS) status = ReadPinTypes(key.get(), &pin->types);
  return status;
}

LONG ReadPins(HKEY instance, std::vector<MapperPin>* pins) {
  Key key;
  LONG status = OpenToRead(instance, "Pins", &key);
  if (status != ERROR_SUCCESS) {
    return Optional(status);
  }
  std::vector<std::string> names;
  status = SubkeyNames(key.get(), &names);
  for (const std::string& name : names) {
    if (status != ERROR_SUCCESS) break;
    MapperPin pin;
    status = ReadPin(key.get(), name, &pin);
    if (status == ERROR_SUCCESS) {
      pins->push_back(std::move(pin));
    }
    status = Optional(status);  // removed meanwhile by another process
  }
  return status;
}

// `*usable` is false for an entry without a readable class id.
LONG ReadFilterAt(HKEY instances, const std::string& name, MapperFilter* filter, bool* usable) {
  *usable = false;
  Key key;
  LONG status = OpenToRead(instances, name, &key);
  std::string clsidText;
  if (status == ERROR_SUCCESS) status = ReadText(key.get(), "CLSID", &clsidText);
  if (status != ERROR_SUCCESS) {
    return Optional(status);
  }
  const std::optional<GUID> clsid = ParseGuid(clsidText);
  if (!clsid) {
    return ERROR_SUCCESS;
  }
  filter->clsid = *clsid;
  status = Optional(ReadText(key.get(), "FriendlyName", &filter->name));
  if (status == ERROR_SUCCESS) status = Optional(ReadDword(key.get(), "Merit", &filter->merit));
  if (status == ERROR_SUCCESS) status = ReadPins(key.get(), &filter->pins);
  *usable = status == ERROR_SUCCESS;
  return status;
}

LONG ReadCategory(HKEY classes, const std::string& categoryName, std::vector<MapperFilter>* filters) {
  Key instances;
  LONG status = OpenToRead(classes, categoryName + "\\Instance", &instances);
  if (status != ERROR_SUCCESS) {
    return Optional(status);
  }
  std::vector<std::string> names;
  status = SubkeyNames(instances.get(), &names);
  for (const std::string& name : names) {
    if (status != ERROR_SUCCESS) break;
    MapperFilter filter;
    bool usable = false;
    status = ReadFilterAt(instances.get(), name, &filter, &usable);
    if (usable) {
      filters->push_back(std::move(filter));
    }
  }
  return status;
}

}  // namespace

FilterPlace LegacyPlace(REFCLSID clsid) { return {CLSID_LegacyAmFilterCategory, GuidText(clsid)}; }

std::string NarrowText(LPCWSTR text) {
  std::string narrow;
  if (text != nullptr) {
    size_t units = 0;
    while (text[units] != 0) ++units;
    EncodeUtf8(text, units, [&](char unit) { narrow.push_back(unit); });
  }
  return narrow;
}

bool IsKeyName(const std::string& name) { return !name.empty() && name.find('\\') == std::string::npos; }

namespace FilterMapperStore {

HRESULT WriteFilter(const FilterPlace& place, const MapperFilter& filter) {
  std::lock_guard<std::mutex> hold(storeLock);
  const std::string path = InstancePath(place);
  LONG status = Optional(DeleteTree(HKEY_CLASSES_ROOT, path));
  if (status != ERROR_SUCCESS) {
    return FromStatus(status);
  }
  status = WriteWholeFilter(path, filter);
  if (status != ERROR_SUCCESS) {
    DeleteTree(HKEY_CLASSES_ROOT, path);
  }
  return FromStatus(status);
}

HRESULT WriteFilterValues(const FilterPlace& place, REFCLSID clsid, const std::string& name, DWORD merit) {
  std::lock_guard<std::mutex> hold(storeLock);
  Key key;
  LONG status = CreateKey(HKEY_CLASSES_ROOT, InstancePath(place), &key);
  if (status == ERROR_SUCCESS) status = WriteValues(key.get(), clsid, name, merit);
  return FromStatus(status);
}

HRESULT WritePin(const FilterPlace& place, const MapperPin& pin) {
  std::lock_guard<std::mutex> hold(storeLock);
  Key instance;
  LONG status = OpenToWrite(HKEY_CLASSES_ROOT, InstancePath(place), &instance);
  if (status == ERROR_FILE_NOT_FOUND) {
    return VFW_E_NOT_FOUND;
  }
  Key pins;
  if (status == ERROR_SUCCESS) status = CreateKey(instance.get(), "Pins", &pins);
  if (status == ERROR_SUCCESS) status = Optional(DeleteTree(pins.get(), pin.name));
  if (status == ERROR_SUCCESS) status = WritePinUnder(instance.get(), pin);
  return FromStatus(status);
}

HRESULT AddPinType(const FilterPlace& place, const std::string& pinName, const MapperPinType& type) {
  std::lock_guard<std::mutex> hold(storeLock);
  Key pin;
  LONG status = OpenToWrite(HKEY_CLASSES_ROOT, InstancePath(place) + "\\" + PinPath(pinName), &pin);
  if (status == ERROR_FILE_NOT_FOUND) {
    return VFW_E_NOT_FOUND;
  }
  Key typeKey;
  if (status == ERROR_SUCCESS) status = CreateKey(pin.get(), TypePath(type), &typeKey);
  return FromStatus(status);
}

HRESULT DeleteFilter(const FilterPlace& place) {
  std::lock_guard<std::mutex> hold(storeLock);
  return FromStatus(DeleteTree(HKEY_CLASSES_ROOT, InstancePath(place)));
}

HRESULT DeletePin(const FilterPlace& place, const std::string& pinName) {
  std::lock_guard<std::mutex> hold(storeLock);
  Key pins;
  LONG status = OpenToWrite(HKEY_CLASSES_ROOT, InstancePath(place) + "\\Pins", &pins);
  if (status == ERROR_SUCCESS) status = DeleteTree(pins.get(), pinName);
  return FromStatus(status);
}

HRESULT WriteCategory(REFCLSID category, DWORD merit, const std::string& description) {
  return WriteFilterValues({kCategoryOfCategories, GuidText(category)}, category, description, merit);
}

HRESULT ReadFilters(std::vector<MapperFilter>* filters) {
  std::lock_guard<std::mutex> hold(storeLock);
  Key classes;
  LONG status = OpenToRead(HKEY_CLASSES_ROOT, "CLSID", &classes);
  if (status != ERROR_SUCCESS) {
    return FromStatus(Optional(status));
  }
  std::vector<std::string> categories;
  status = SubkeyNames(classes.get(), &categories);
  for (const std::string& category : categories) {
    if (status != ERROR_SUCCESS) break;
    const std::optional<GUID> id = ParseGuid(category);
    if (!id || *id != kCategoryOfCategories) {
      status = ReadCategory(classes.get(), category, filters);
    }
  }
  return FromStatus(status);
}

}  // namespace FilterMapperStore

}  // namespace standin
