// regsvr run as a person runs it, on the test's own registry file, with a
// probe module whose registration entry points touch one key.
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <climits>
#include <string>
#include <vector>

#include "tests/support/class_key_name.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/test_module/test_module_ids.h"

namespace {

struct RegsvrRun {
  int exitStatus;
  std::string output;  // stdout and stderr
};

RegsvrRun Regsvr(const std::string& arguments) {
  const std::string command = std::string(REGSVR_PATH) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    return {-1, ""};
  }
  std::string output;
  char buffer[4096];
  for (size_t count; (count = fread(buffer, 1, sizeof(buffer), pipe)) > 0;) {
    output.append(buffer, count);
  }
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string RealPath(const char* path) {
  char resolved[PATH_MAX];
  return realpath(path, resolved) != nullptr ? resolved : path;
}

TEST_F(RegistryFixture, RegsvrCallsTheEntryPointsAndReportsTheirCodes) {
  const std::string probe = RealPath(REGISTRY_PROBE_PATH);
  RegsvrRun run = Regsvr(probe);
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.output, "DllRegisterServer in " + probe + ": 0x00000000 S_OK\n");
  EXPECT_EQ(Text(HKEY_CLASSES_ROOT, "RegistryProbe", ""), probe);

  run = Regsvr("-u " + probe);
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.output, "DllUnregisterServer in " + probe + ": 0x00000000 S_OK\n");
  EXPECT_FALSE(KeyExists("RegistryProbe"));

  run = Regsvr("-u " + probe);
  EXPECT_EQ(run.exitStatus, 5);
  EXPECT_EQ(run.output, "DllUnregisterServer in " + probe + ": 0x80070002 HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)\n");

  struct Forced {
    const char* code;
    int exitStatus;
    const char* shown;
  };
  for (const Forced& forced :
       {Forced{"0x00000001", 0, "0x00000001 S_FALSE"}, Forced{"0x80004005", 5, "0x80004005 E_FAIL"},
        Forced{"0x80040154", 5, "0x80040154 REGDB_E_CLASSNOTREG"}, Forced{"0x8004FFF0", 5, "0x8004FFF0 unknown"}}) {
    setenv("REGISTRY_PROBE_RESULT", forced.code, 1);
    run = Regsvr(probe);
    EXPECT_EQ(run.exitStatus, forced.exitStatus) << forced.code;
    EXPECT_EQ(run.output, "DllRegisterServer in " + probe + ": " + forced.shown + "\n");
  }
  unsetenv("REGISTRY_PROBE_RESULT");
}

TEST_F(RegistryFixture, RegsvrRefusesWhatItCannotCall) {
  const std::string notAModule = Folder() + "/not-a-module.so";
  WriteFile(notAModule, "just text\n");
  struct Case {
    std::string arguments;
    int exitStatus;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {"/nonexistent/libnothing.so", 3,
       "regsvr: cannot load /nonexistent/libnothing.so: error 126 ERROR_MOD_NOT_FOUND\n"},
      {notAModule, 3, "regsvr: cannot load " + notAModule + ": error 193 ERROR_BAD_EXE_FORMAT\n"},
      {std::string("-u ") + REGISTRY_PROBE_REGISTER_ONLY_PATH, 4,
       "regsvr: " + RealPath(REGISTRY_PROBE_REGISTER_ONLY_PATH) + " has no DllUnregisterServer export\n"},
      {"", 1, "usage: regsvr MODULE"},
      {"-u", 1, "usage: regsvr MODULE"},
      {"--bogus", 1, "usage: regsvr MODULE"},
      {"--help", 0, "$VELLORA_REGISTRY"},
  };
  for (const Case& given : cases) {
    const RegsvrRun run = Regsvr(given.arguments);
    EXPECT_EQ(run.exitStatus, given.exitStatus) << given.arguments;
    EXPECT_NE(run.output.find(given.shown), std::string::npos) << given.arguments << ":\n" << run.output;
  }
  EXPECT_FALSE(std::filesystem::exists(RegistryPath()));
}

TEST_F(RegistryFixture, RegsvrListsTheRegistryForAPerson) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "CLSID\\{Id}\\InprocServer32", &key), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueA(key, nullptr, REG_SZ, "/lib/\"x\".so", 0), ERROR_SUCCESS);
  const DWORD merit = 0x00200000;
  ASSERT_EQ(RegSetValueExA(key, "Merit", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&merit), sizeof(merit)),
            ERROR_SUCCESS);
  const BYTE blob[] = {1, 0xab};
  ASSERT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, blob, sizeof(blob)), ERROR_SUCCESS);
  RegCloseKey(key);
  ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "CLSID\\{Id}", REG_SZ, "Vellora", 0), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "Another", REG_SZ, "", 0), ERROR_SUCCESS);

  const RegsvrRun run = Regsvr("--list");
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.output, "Registry file: " + RegistryPath() +
                            "\n"
                            "HKEY_CLASSES_ROOT\n"
                            "  Another\n"
                            "    (Default)  REG_SZ  \"\"\n"
                            "  CLSID\n"
                            "    {Id}\n"
                            "      (Default)  REG_SZ  \"Vellora\"\n"
                            "      InprocServer32\n"
                            "        (Default)  REG_SZ  \"/lib/\\\"x\\\".so\"\n"
                            "        Merit  REG_DWORD  0x00200000 (2097152)\n"
                            "        Blob  REG_BINARY  01 ab\n");
}

TEST_F(RegistryFixture, RegsvrReportsADamagedRegistryAndLeavesItAlone) {
  const std::string valid = "vellora-registry 1\nnext-id 2\nkey 1 \"CLSID\"\nend\n";
  for (const std::string& damaged : {valid.substr(0, valid.size() - 4), std::string("\x01\x02 garbage\n")}) {
    WriteFile(RegistryPath(), damaged);
    const RegsvrRun run = Regsvr("--list");
    EXPECT_EQ(run.exitStatus, 5);
    EXPECT_NE(run.output.find("regsvr: cannot read the registry " + RegistryPath() + ": error 1009 ERROR_BADDB"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(ReadFile(RegistryPath()), damaged);
    EXPECT_EQ(Regsvr(RealPath(REGISTRY_PROBE_PATH)).exitStatus, 5);  // its registration cannot write either
    EXPECT_EQ(ReadFile(RegistryPath()), damaged);
  }
}

}  // namespace

namespace {

HRESULT CreateTestObject() {
  IPersist* object = nullptr;
  const HRESULT result = CoCreateInstance(CLSID_TestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IPersist,
                                          reinterpret_cast<void**>(&object));
  if (SUCCEEDED(result)) {
    object->Release();
  }
  CoFreeUnusedLibraries();
  return result;
}

// A module registered by one process is created by class id in another, and
// its unregistration takes the whole class key, whatever others added to it.
TEST_F(RegistryFixture, AModuleRegisteredByRegsvrIsCreatedHereUntilUnregistered) {
  ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  const std::string module = RealPath(TEST_MODULE_PATH);
  const std::string classKey = ClassKeyName(CLSID_TestObject);
  EXPECT_EQ(REGDB_E_CLASSNOTREG, CreateTestObject());

  ASSERT_EQ(0, Regsvr(module).exitStatus);
  EXPECT_EQ(S_OK, CreateTestObject());

  HKEY added = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CLASSES_ROOT, (classKey + "\\AddedByOthers\\Deeper").c_str(), &added));
  RegCloseKey(added);

  const RegsvrRun run = Regsvr("-u " + module);
  EXPECT_EQ(0, run.exitStatus) << run.output;
  EXPECT_EQ(REGDB_E_CLASSNOTREG, CreateTestObject());
  EXPECT_FALSE(KeyExists(classKey));
  CoUninitialize();
}

}  // namespace
