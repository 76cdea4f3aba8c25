// The registry file: where it is, its text, damage, and changes made by
// several threads and processes at once.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "standin_hooks.h"
#include "tests/support/registry_fixture.h"
#include "tests/platform/registry_writer/start_writer.h"
#include "tests/platform/test_thread.h"

namespace {

TEST_F(RegistryFixture, TheFileAndItsFolderAppearWithTheFirstChange) {
  const std::string path = Folder() + "/not/yet/registry";
  UseRegistry(path);
  HKEY key = nullptr;
  char name[8];
  DWORD size = sizeof(name);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Anything", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegEnumKeyExA(HKEY_CLASSES_ROOT, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
  EXPECT_FALSE(std::filesystem::exists(Folder() + "/not"));

  ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "First", REG_SZ, "one", 0), ERROR_SUCCESS);
  EXPECT_EQ(ReadFile(path), "vellora-registry 1\nnext-id 2\nkey 1 \"First\"\n  value \"\" sz \"one\"\nend\n");
}

// The documented example, written by hand, is read as written; the next
// change writes the file back in the same form.
TEST_F(RegistryFixture, AHandWrittenFileIsReadAndWrittenBackInTheSameForm) {
  const std::string written =
      "vellora-registry 1\n"
      "next-id 9\n"
      "value \"RootValue\" dword 0x0000002a\n"
      "key 1 \"CLSID\"\n"
      "  key 2 \"{0DD7B044-4226-4740-87E0-BB92C13564AB}\"\n"
      "    value \"\" sz \"Vellora \\\"quoted\\\" \\\\ \\x09 tab\"\n"
      "    key 3 \"InprocServer32\"\n"
      "      value \"\" sz \"/usr/lib/libvellora.so\"\n"
      "      value \"ThreadingModel\" sz \"Both\"\n"
      "key 7 \"Other\"\n"
      "  value \"Blob\" binary 00ff10\n"
      "  value \"Empty\" binary -\n"
      "  value \"Odd\" type 7 6100620000\n"
      "end\n";
  WriteFile(RegistryPath(), written);
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, "CLSID\\{0DD7B044-4226-4740-87E0-BB92C13564AB}", ""),
            "Vellora \"quoted\" \\ \t tab");
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, "clsid\\{0dd7b044-4226-4740-87e0-bb92c13564ab}\\InprocServer32", ""),
            "/usr/lib/libvellora.so");
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, nullptr, "RootValue"),
            std::make_pair(DWORD{REG_DWORD}, std::vector<BYTE>{42, 0, 0, 0}));
  EXPECT_EQ(Value(HKEY_CLASSES_ROOT, "Other", "Odd"),
            std::make_pair(DWORD{REG_MULTI_SZ}, std::vector<BYTE>{'a', 0, 'b', 0, 0}));

  HKEY made = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "Other\\New", &made), ERROR_SUCCESS);
  RegCloseKey(made);
  std::string expected = written;
  expected.replace(expected.find("next-id 9"), 9, "next-id 10");
  expected.insert(expected.find("end\n"), "  key 9 \"New\"\n");
  EXPECT_EQ(ReadFile(RegistryPath()), expected);
}

// Every call answers ERROR_BADDB, nothing crashes, and the file keeps its bytes.
void ExpectDamageReported(const std::string& path, const std::string& bytes, const std::string& label) {
  HKEY key = nullptr;
  char name[16];
  DWORD size = sizeof(name);
  const std::vector<std::pair<const char*, std::function<LSTATUS()>>> calls = {
      {"open", [&] { return RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, &key); }},
      {"create", [&] { return RegCreateKeyA(HKEY_CLASSES_ROOT, "CLSID\\New", &key); }},
      {"enumerate",
       [&] { return RegEnumKeyExA(HKEY_CLASSES_ROOT, 0, name, &size, nullptr, nullptr, nullptr, nullptr); }},
      {"set", [&] { return RegSetValueA(HKEY_CLASSES_ROOT, "CLSID", REG_SZ, "x", 0); }},
      {"query", [&] { return RegQueryValueExA(HKEY_CLASSES_ROOT, "v", nullptr, nullptr, nullptr, nullptr); }},
      {"delete", [&] { return RegDeleteKeyA(HKEY_CLASSES_ROOT, "CLSID"); }},
  };
  for (const auto& [call, run] : calls) {
    size = sizeof(name);
    EXPECT_EQ(run(), ERROR_BADDB) << label << ": " << call;
  }
  EXPECT_EQ(RegistryFixture::ReadFile(path), bytes) << label;
}

TEST_F(RegistryFixture, ADamagedFileAnswersBadDbAndIsLeftAsItIs) {
  const std::string valid =
      "vellora-registry 1\nnext-id 3\nkey 1 \"CLSID\"\n  key 2 \"A\"\n    value \"v\" dword 0x00000001\nend\n";
  const std::vector<std::pair<std::string, std::string>> damaged = {
      {"garbage", std::string("\x7f"
                              "ELF\x02\x01\x01\0\0\0 binary garbage",
                              26)},
      {"text garbage", "hello\nworld\n"},
      {"other version", "vellora-registry 2\nnext-id 1\nend\n"},
      {"text after the end", valid + "key 3 \"Late\"\n"},
      {"carriage returns", "vellora-registry 1\r\nnext-id 1\r\nend\r\n"},
      {"unknown escape", "vellora-registry 1\nnext-id 2\nkey 1 \"a\\qb\"\nend\n"},
      {"same key twice", "vellora-registry 1\nnext-id 3\nkey 1 \"A\"\nkey 2 \"a\"\nend\n"},
      {"same id twice", "vellora-registry 1\nnext-id 3\nkey 1 \"A\"\nkey 1 \"B\"\nend\n"},
      {"id not below next-id", "vellora-registry 1\nnext-id 2\nkey 2 \"A\"\nend\n"},
      {"level skipped", "vellora-registry 1\nnext-id 3\nkey 1 \"A\"\n    key 2 \"B\"\nend\n"},
      {"value of a closed key",
       "vellora-registry 1\nnext-id 3\nkey 1 \"A\"\n  key 2 \"B\"\n  value \"v\" binary -\nend\n"},
      {"short dword", "vellora-registry 1\nnext-id 2\nkey 1 \"A\"\n  value \"v\" dword 0x001\nend\n"},
      {"odd hex", "vellora-registry 1\nnext-id 2\nkey 1 \"A\"\n  value \"v\" binary 0a1\nend\n"},
      {"backslash in a key name", "vellora-registry 1\nnext-id 2\nkey 1 \"A\\\\B\"\nend\n"},
  };
  for (const auto& [label, bytes] : damaged) {
    WriteFile(RegistryPath(), bytes);
    ExpectDamageReported(RegistryPath(), bytes, label);
  }
  // Cut anywhere, even at a line's end, the file is known to be incomplete.
  for (size_t length = 0; length < valid.size(); ++length) {
    const std::string cut = valid.substr(0, length);
    WriteFile(RegistryPath(), cut);
    char name[16];
    DWORD size = sizeof(name);
    ASSERT_EQ(RegEnumKeyExA(HKEY_CLASSES_ROOT, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_BADDB)
        << "cut at " << length;
  }
  WriteFile(RegistryPath(), valid.substr(0, valid.size() / 2));
  ExpectDamageReported(RegistryPath(), valid.substr(0, valid.size() / 2), "cut in half");
  WriteFile(RegistryPath(), valid);
  EXPECT_TRUE(KeyExists("CLSID\\A"));
}

TEST_F(RegistryFixture, TheEnvironmentChoosesTheFileAndAnOpenKeyStaysWithItsFile) {
  const std::string first = RegistryPath();
  const std::string second = Folder() + "/second";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "OnlyInFirst", &key), ERROR_SUCCESS);

  UseRegistry(second);
  EXPECT_FALSE(KeyExists("OnlyInFirst"));
  EXPECT_EQ(RegSetValueA(key, nullptr, REG_SZ, "still first", 0), ERROR_SUCCESS);
  EXPECT_FALSE(std::filesystem::exists(second));

  UseRegistry(first);
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, "OnlyInFirst", ""), "still first");
  RegCloseKey(key);
}

// Sets or clears an environment variable for the length of a scope.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* previous = getenv(name)) {
      previous_ = previous;
    }
    value != nullptr ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnvironment() { previous_ ? setenv(name_, previous_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

std::string CurrentRegistryPath() {
  char path[4096];
  const DWORD length = StandinRegistryFilePath(path, sizeof(path));
  return length < sizeof(path) ? std::string(path, length) : std::string();
}

TEST_F(RegistryFixture, WithoutVelloraRegistryTheFileIsTheUsersOwn) {
  struct Case {
    const char* registry;
    const char* dataHome;
    const char* home;
    std::string expected;
  };
  const std::string home = Folder() + "/home";
  const std::string data = Folder() + "/data";
  const std::vector<Case> cases = {
      {"/set/registry", data.c_str(), home.c_str(), "/set/registry"},
      {"", data.c_str(), home.c_str(), data + "/vellora/registry"},
      {nullptr, "relative/data", home.c_str(), home + "/.local/share/vellora/registry"},
      {nullptr, nullptr, home.c_str(), home + "/.local/share/vellora/registry"},
  };
  for (const Case& given : cases) {
    ScopedEnvironment registry("VELLORA_REGISTRY", given.registry);
    ScopedEnvironment dataHome("XDG_DATA_HOME", given.dataHome);
    ScopedEnvironment homeFolder("HOME", given.home);
    EXPECT_EQ(CurrentRegistryPath(), given.expected);
  }
  ScopedEnvironment registry("VELLORA_REGISTRY", nullptr);
  ScopedEnvironment dataHome("XDG_DATA_HOME", data.c_str());
  ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Mine", REG_SZ, "here", 0), ERROR_SUCCESS);
  EXPECT_NE(ReadFile(data + "/vellora/registry").find("key 1 \"Mine\""), std::string::npos);
}

// Names the keys that churn leaves behind: the even ones.
void ExpectChurnResult(const std::string& prefix, int count) {
  HKEY parent = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Concurrent", 0, KEY_READ, &parent), ERROR_SUCCESS);
  for (int at = 0; at < count; ++at) {
    const std::string name = prefix + "-" + std::to_string(at);
    const std::string server = name + "\\InprocServer32";
    if (at % 2 == 0) {
      EXPECT_EQ(RegistryFixture::Text(parent, name.c_str(), ""), name);
      EXPECT_EQ(RegistryFixture::Text(parent, server.c_str(), ""), name);
      EXPECT_EQ(RegistryFixture::Text(parent, server.c_str(), "ThreadingModel"), "Both");
    } else {
      HKEY gone = nullptr;
      EXPECT_EQ(RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, &gone), ERROR_FILE_NOT_FOUND) << name;
    }
  }
  RegCloseKey(parent);
}

TEST_F(RegistryFixture, ProcessesChangingTheRegistryTogetherLoseNothing) {
  constexpr int kCount = 30;
  ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Before", REG_SZ, "kept", 0), ERROR_SUCCESS);
  const pid_t first = StartWriter({"churn", "first", std::to_string(kCount)});
  const pid_t second = StartWriter({"churn", "second", std::to_string(kCount)});
  EXPECT_EQ(WaitWriter(first), 0);
  EXPECT_EQ(WaitWriter(second), 0);
  ExpectChurnResult("first", kCount);
  ExpectChurnResult("second", kCount);
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, "Before", ""), "kept");
  HKEY parent = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Concurrent", 0, KEY_READ, &parent), ERROR_SUCCESS);
  EXPECT_EQ(Subkeys(parent).size(), static_cast<size_t>(kCount));
  RegCloseKey(parent);
}

TEST_F(RegistryFixture, ThreadsChangingTheRegistryTogetherLoseNothing) {
  constexpr int kThreads = 4;
  constexpr int kKeys = 25;
  std::vector<std::unique_ptr<TestThread>> threads;
  for (int thread = 0; thread < kThreads; ++thread) {
    threads.push_back(std::make_unique<TestThread>([thread] {
      for (int at = 0; at < kKeys; ++at) {
        const std::string name = "Threads\\t" + std::to_string(thread) + "-" + std::to_string(at);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, name.c_str(), &key), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueA(key, nullptr, REG_SZ, name.c_str(), 0), ERROR_SUCCESS);
        ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
        if (at % 2 == 1) {
          ASSERT_EQ(RegDeleteKeyA(HKEY_CLASSES_ROOT, name.c_str()), ERROR_SUCCESS);
        }
      }
    }));
  }
  threads.clear();  // joins them
  for (int thread = 0; thread < kThreads; ++thread) {
    for (int at = 0; at < kKeys; at += 2) {
      const std::string name = "Threads\\t" + std::to_string(thread) + "-" + std::to_string(at);
      EXPECT_EQ(Text(HKEY_CLASSES_ROOT, name.c_str(), ""), name);
    }
  }
  HKEY parent = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Threads", 0, KEY_READ, &parent), ERROR_SUCCESS);
  EXPECT_EQ(Subkeys(parent).size(), static_cast<size_t>(kThreads * ((kKeys + 1) / 2)));
  RegCloseKey(parent);
}

}  // namespace
