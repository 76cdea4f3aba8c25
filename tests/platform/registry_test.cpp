// The registry calls through the public C interface. Every call reads the
// file anew, so each value read back has also been through the file's text.
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "standin_hooks.h"
#include "tests/platform/registry_writer/start_writer.h"
#include "tests/support/registry_fixture.h"

namespace {

typedef std::vector<BYTE> Bytes;

Bytes TextBytes(std::string_view text) {
  Bytes bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

// A key handle made for the test and closed with it.
class Key {
 public:
  explicit Key(LPCSTR path, HKEY parent = HKEY_CLASSES_ROOT) {
    EXPECT_EQ(RegCreateKeyA(parent, path, &handle_), ERROR_SUCCESS) << path;
  }
  ~Key() {
    if (handle_ != nullptr) {
      RegCloseKey(handle_);
    }
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  operator HKEY() const { return handle_; }

 private:
  HKEY handle_ = nullptr;
};

LSTATUS SetBytes(HKEY key, LPCSTR name, DWORD type, const Bytes& data) {
  return RegSetValueExA(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
}

struct ValueCase {
  std::string name;
  DWORD type;
  Bytes data;
};

// Awkward names and data of every form the file writes.
const std::vector<ValueCase> kValueCases = {
    {"", REG_SZ, TextBytes("the default value")},
    {"ThreadingModel", REG_SZ, TextBytes("Both")},
    {"quote \" and \\ in a name", REG_SZ, TextBytes("tab\t, \"quotes\", \\, \x7f, \xc3\xa9, \x01")},
    {"line\nbreak", REG_SZ, TextBytes("")},
    {"no terminator", REG_SZ, {'a', 'b'}},
    {"inner terminator", REG_SZ, {'a', 0, 'b', 0}},
    {"no bytes", REG_SZ, {}},
    {"number", REG_DWORD, {0x78, 0x56, 0x34, 0x12}},
    {"short number", REG_DWORD, {1, 2, 3}},
    {"blob", REG_BINARY, {0x00, 0xff, '\n', '"'}},
    {"empty blob", REG_BINARY, {}},
    {"list", REG_MULTI_SZ, {'a', 0, 'b', 0, 0}},
    {"nothing", REG_NONE, {}},
    {"own type", 0x12345, {7}},
};

TEST_F(RegistryFixture, ValuesComeBackAsSetAndAreListedInTheOrderSet) {
  Key key("Values\\Deeper\\Deepest");
  for (const ValueCase& given : kValueCases) {
    ASSERT_EQ(SetBytes(key, given.name.c_str(), given.type, given.data), ERROR_SUCCESS) << given.name;
  }
  for (DWORD index = 0; index < kValueCases.size(); ++index) {
    const ValueCase& given = kValueCases[index];
    SCOPED_TRACE(given.name);
    EXPECT_EQ(Value(key, nullptr, given.name.c_str()), std::make_pair(given.type, given.data));
    char name[64];
    DWORD nameSize = sizeof(name);
    DWORD type = REG_NONE;
    BYTE data[64];
    DWORD dataSize = sizeof(data);
    ASSERT_EQ(RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize), ERROR_SUCCESS);
    EXPECT_EQ(std::string(name, nameSize), given.name);
    EXPECT_EQ(type, given.type);
    EXPECT_EQ(Bytes(data, data + dataSize), given.data);
  }
  char name[64];
  DWORD nameSize = sizeof(name);
  EXPECT_EQ(
      RegEnumValueA(key, static_cast<DWORD>(kValueCases.size()), name, &nameSize, nullptr, nullptr, nullptr, nullptr),
      ERROR_NO_MORE_ITEMS);

  // Setting again replaces the data in place; names match without regard to case.
  ASSERT_EQ(SetBytes(key, "THREADINGMODEL", REG_SZ, TextBytes("Apartment")), ERROR_SUCCESS);
  EXPECT_EQ(Text(key, nullptr, "threadingmodel"), "Apartment");
  nameSize = sizeof(name);
  ASSERT_EQ(RegEnumValueA(key, 1, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::string(name), "ThreadingModel");
  EXPECT_EQ(RegDeleteValueA(key, "threadingMODEL"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueA(key, "ThreadingModel"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueA(key, nullptr), ERROR_SUCCESS);  // the default value
  EXPECT_EQ(Value(key, nullptr, ""), std::nullopt);
}

TEST_F(RegistryFixture, DataSizesAreReportedAndShortBuffersRefused) {
  Key key("Sizes");
  const Bytes text = TextBytes("twelve bytes");
  ASSERT_EQ(SetBytes(key, "Text", REG_SZ, text), ERROR_SUCCESS);

  DWORD type = REG_NONE;
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, text.size());
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

  BYTE small[4] = {};
  size = sizeof(small);
  EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, text.size());

  char name[8];
  DWORD nameSize = 4;  // "Text" needs 5 with its terminator
  size = 0;
  EXPECT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, &size), ERROR_MORE_DATA);
  EXPECT_EQ(nameSize, 5u);
  nameSize = sizeof(name);
  size = sizeof(small);
  EXPECT_EQ(RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, small, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, text.size());
}

TEST_F(RegistryFixture, KeyPathsHaveLevelsAndIgnoreCase) {
  HKEY created = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "Alpha\\Beta\\Gamma", 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &created, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  RegCloseKey(created);
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "alpha\\BETA\\gamma\\", 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &created, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  RegCloseKey(created);

  EXPECT_EQ(Subkeys(HKEY_CLASSES_ROOT), std::vector<std::string>{"Alpha"});  // case as first written
  HKEY alpha = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "ALPHA", 0, KEY_READ, &alpha), ERROR_SUCCESS);
  EXPECT_TRUE(KeyExists("alpha\\beta\\GAMMA"));
  HKEY gamma = nullptr;
  ASSERT_EQ(RegOpenKeyA(alpha, "beta\\gamma", &gamma), ERROR_SUCCESS);

  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Alpha\\Beta"), ERROR_ACCESS_DENIED);  // it has a subkey
  EXPECT_EQ(RegDeleteKeyA(gamma, ""), ERROR_SUCCESS);                               // the key itself
  EXPECT_EQ(RegDeleteKeyA(alpha, "BETA"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(alpha, "Beta"), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(Subkeys(alpha).empty());
  EXPECT_EQ(RegCloseKey(gamma), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(alpha), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Alpha"), ERROR_SUCCESS);
  EXPECT_TRUE(Subkeys(HKEY_CLASSES_ROOT).empty());
}

TEST_F(RegistryFixture, SubkeysAreListedInCaseInsensitiveOrderWithNameSizesInAndOut) {
  for (LPCSTR name : {"delta", "Charlie", "_under", "bravo", "ALPHA"}) {
    Key key(name);
  }
  EXPECT_EQ(Subkeys(HKEY_CLASSES_ROOT), (std::vector<std::string>{"_under", "ALPHA", "bravo", "Charlie", "delta"}));

  char name[16] = "unchanged";
  DWORD size = 7;  // "Charlie" needs 8 with its terminator
  EXPECT_EQ(RegEnumKeyExA(HKEY_CLASSES_ROOT, 3, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  EXPECT_EQ(size, 8u);
  char className[4] = "x";
  DWORD classSize = sizeof(className);
  FILETIME written = {1, 1};
  EXPECT_EQ(RegEnumKeyExA(HKEY_CLASSES_ROOT, 3, name, &size, nullptr, className, &classSize, &written), ERROR_SUCCESS);
  EXPECT_EQ(size, 7u);
  EXPECT_STREQ(name, "Charlie");
  EXPECT_EQ(classSize, 0u);
  EXPECT_STREQ(className, "");
  size = sizeof(name);
  EXPECT_EQ(RegEnumKeyExA(HKEY_CLASSES_ROOT, 5, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryFixture, SetValueAndQueryValueServeDefaultValuesOfSubkeys) {
  ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Server\\InprocServer32", REG_SZ, "/lib/x.so", 0), ERROR_SUCCESS);
  Key server("Server");
  ASSERT_EQ(RegSetValueA(server, nullptr, REG_SZ, "description", 1), ERROR_SUCCESS);  // the size is ignored

  LONG size = 0;
  EXPECT_EQ(RegQueryValueA(server, "InprocServer32", nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 10);
  char text[16];
  size = 4;
  EXPECT_EQ(RegQueryValueA(server, "InprocServer32", text, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 10);
  size = sizeof(text);
  EXPECT_EQ(RegQueryValueA(server, "InprocServer32", text, &size), ERROR_SUCCESS);
  EXPECT_STREQ(text, "/lib/x.so");
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, "Server", ""), "description");

  // A key without a default value answers an empty text.
  Key bare("Server\\Bare");
  size = sizeof(text);
  EXPECT_EQ(RegQueryValueA(server, "Bare", text, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 1);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(RegQueryValueA(server, "Missing", text, &size), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryFixture, BadHandlesAndArgumentsAreRefused) {
  Key key("Present");
  HKEY closed = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_CLASSES_ROOT, "Present", &closed), ERROR_SUCCESS);
  ASSERT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
  const HKEY bogus = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x12345));
  const HKEY currentUser = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000001)));
  HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  HKEY out = nullptr;
  char name[8];
  DWORD size = sizeof(name);
  BYTE data[4];
  const std::string overlong(256, 'k');

  struct Case {
    const char* label;
    std::function<LSTATUS()> call;
    LSTATUS expected;
  };
  const std::vector<Case> cases = {
      {"open under a bogus handle", [&] { return RegOpenKeyExA(bogus, "x", 0, KEY_READ, &out); }, ERROR_INVALID_HANDLE},
      {"create under another root", [&] { return RegCreateKeyA(currentUser, "x", &out); }, ERROR_INVALID_HANDLE},
      {"query a closed handle", [&] { return RegQueryValueExA(closed, nullptr, nullptr, nullptr, nullptr, nullptr); },
       ERROR_INVALID_HANDLE},
      {"close a closed handle", [&] { return RegCloseKey(closed); }, ERROR_INVALID_HANDLE},
      {"close an event", [&] { return RegCloseKey(static_cast<HKEY>(event)); }, ERROR_INVALID_HANDLE},
      {"enumerate no handle",
       [&] { return RegEnumKeyExA(nullptr, 0, name, &size, nullptr, nullptr, nullptr, nullptr); },
       ERROR_INVALID_HANDLE},
      {"close the root", [&] { return RegCloseKey(HKEY_CLASSES_ROOT); }, ERROR_SUCCESS},
      {"leading backslash", [&] { return RegOpenKeyExA(HKEY_CLASSES_ROOT, "\\Present", 0, KEY_READ, &out); },
       ERROR_INVALID_PARAMETER},
      {"empty name in a path", [&] { return RegCreateKeyA(HKEY_CLASSES_ROOT, "a\\\\b", &out); },
       ERROR_INVALID_PARAMETER},
      {"overlong name", [&] { return RegCreateKeyA(HKEY_CLASSES_ROOT, overlong.c_str(), &out); },
       ERROR_INVALID_PARAMETER},
      {"no result pointer", [&] { return RegCreateKeyA(HKEY_CLASSES_ROOT, "x", nullptr); }, ERROR_INVALID_PARAMETER},
      {"volatile key",
       [&] { return RegCreateKeyExA(HKEY_CLASSES_ROOT, "x", 0, nullptr, 1, KEY_ALL_ACCESS, nullptr, &out, nullptr); },
       ERROR_INVALID_PARAMETER},
      {"delete no name", [&] { return RegDeleteKeyA(HKEY_CLASSES_ROOT, nullptr); }, ERROR_INVALID_PARAMETER},
      {"delete the root", [&] { return RegDeleteKeyA(HKEY_CLASSES_ROOT, ""); }, ERROR_ACCESS_DENIED},
      {"set a number by RegSetValueA", [&] { return RegSetValueA(key, nullptr, REG_DWORD, "1", 2); },
       ERROR_INVALID_PARAMETER},
      {"data size without data", [&] { return RegSetValueExA(key, "v", 0, REG_BINARY, nullptr, 4); },
       ERROR_INVALID_PARAMETER},
      {"data without a size", [&] { return RegQueryValueExA(key, "v", nullptr, nullptr, data, nullptr); },
       ERROR_INVALID_PARAMETER},
      {"enumerate without a name buffer",
       [&] { return RegEnumKeyExA(key, 0, nullptr, &size, nullptr, nullptr, nullptr, nullptr); },
       ERROR_INVALID_PARAMETER},
      {"open a missing key", [&] { return RegOpenKeyExA(HKEY_CLASSES_ROOT, "Present\\Not", 0, KEY_READ, &out); },
       ERROR_FILE_NOT_FOUND},
      {"query a missing value", [&] { return RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, nullptr); },
       ERROR_FILE_NOT_FOUND},
      {"delete a missing value", [&] { return RegDeleteValueA(key, "v"); }, ERROR_FILE_NOT_FOUND},
      {"enumerate past the end", [&] { return RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr); },
       ERROR_NO_MORE_ITEMS},
  };
  for (const Case& given : cases) {
    out = reinterpret_cast<HKEY>(static_cast<uintptr_t>(1));
    size = sizeof(name);
    EXPECT_EQ(given.call(), given.expected) << given.label;
    if (given.expected != ERROR_SUCCESS && out != reinterpret_cast<HKEY>(static_cast<uintptr_t>(1))) {
      EXPECT_EQ(out, nullptr) << given.label;
    }
  }
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);  // still open
  CloseHandle(event);
  EXPECT_EQ(Subkeys(HKEY_CLASSES_ROOT), std::vector<std::string>{"Present"});
}

// Runs the writer program to completion; answers its exit status.
int RunWriter(std::vector<std::string> arguments) { return WaitWriter(StartWriter(std::move(arguments))); }

TEST_F(RegistryFixture, AKeyDeletedWhileOpenAnswersKeyDeletedEvenWhenMadeAgain) {
  Key parent("Gone");
  Key here("Gone\\Here");
  Key elsewhere("Gone\\Elsewhere");
  ASSERT_EQ(RegSetValueA(here, nullptr, REG_SZ, "old", 0), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Gone\\Here"), ERROR_SUCCESS);
  ASSERT_EQ(RunWriter({"delete", "Gone\\Elsewhere"}), 0);  // by another process
  Key again("Gone\\HERE");

  char name[16];
  DWORD size = sizeof(name);
  HKEY out = nullptr;
  const std::vector<std::pair<const char*, std::function<LSTATUS(HKEY)>>> calls = {
      {"query", [](HKEY key) { return RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, nullptr); }},
      {"set", [](HKEY key) { return RegSetValueA(key, nullptr, REG_SZ, "new", 0); }},
      {"delete value", [](HKEY key) { return RegDeleteValueA(key, nullptr); }},
      {"enumerate keys",
       [&](HKEY key) { return RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr); }},
      {"enumerate values",
       [&](HKEY key) { return RegEnumValueA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr); }},
      {"open itself", [&](HKEY key) { return RegOpenKeyExA(key, "", 0, KEY_READ, &out); }},
      {"create a subkey", [&](HKEY key) { return RegCreateKeyA(key, "Sub", &out); }},
      {"delete itself", [](HKEY key) { return RegDeleteKeyA(key, ""); }},
  };
  for (HKEY stale : {static_cast<HKEY>(here), static_cast<HKEY>(elsewhere)}) {
    for (const auto& [label, call] : calls) {
      size = sizeof(name);
      EXPECT_EQ(call(stale), ERROR_KEY_DELETED) << label;
    }
  }
  // The new key of the old name is untouched, and the parent lists it alone.
  EXPECT_EQ(Value(again, nullptr, ""), std::nullopt);
  EXPECT_TRUE(Subkeys(again).empty());
  EXPECT_EQ(Subkeys(parent), std::vector<std::string>{"HERE"});
}

TEST_F(RegistryFixture, AProtectedKeyCannotBeDeletedUntilReleased) {
  Key inner("Guarded\\Inner");
  StandinProtectRegistryKey("guarded\\INNER", TRUE);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Guarded\\Inner"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(inner, ""), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(KeyExists("Guarded\\Inner"));
  StandinProtectRegistryKey("Guarded\\Inner", FALSE);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Guarded\\Inner"), ERROR_SUCCESS);
}

}  // namespace
