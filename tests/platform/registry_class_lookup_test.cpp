// Object creation through the registry: CoCreateInstance finds a class's
// in-process server by the default value of CLSID\{id}\InprocServer32.
#include <cctype>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/registry_fixture.h"
#include "tests/support/loaded_module.h"
#include "tests/support/test_module/test_module_ids.h"

namespace {

class ClassLookupTest : public RegistryFixture {
 protected:
  void SetUp() override {
    RegistryFixture::SetUp();
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  }
  void TearDown() override {
    CoFreeUnusedLibraries();
    CoUninitialize();
    RegistryFixture::TearDown();
  }

  static std::string ServerKeyName(REFCLSID classId) {
    WCHAR wide[39];
    StringFromGUID2(classId, wide, 39);
    return "CLSID\\" + std::string(wide, wide + 38) + "\\InprocServer32";
  }

  // The keys a module's registration writes, by hand.
  static void Register(const std::string& serverKey, const char* path) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, serverKey.c_str(), &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueA(key, nullptr, REG_SZ, path, 0), ERROR_SUCCESS);
    const char model[] = "Both";
    ASSERT_EQ(RegSetValueExA(key, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(model), sizeof(model)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  static HRESULT Create(REFCLSID classId, IPersist** object) {
    return CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IPersist, reinterpret_cast<void**>(object));
  }
};

TEST_F(ClassLookupTest, AClassIsNotRegisteredUntilItsKeyNamesAServer) {
  const std::string serverKey = ServerKeyName(CLSID_TestObject);
  const DWORD number = 1;
  const std::vector<std::pair<const char*, std::function<void()>>> steps = {
      {"no keys", [] {}},
      {"class key only",
       [&] { ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, "CLSID", REG_SZ, "classes", 0), ERROR_SUCCESS); }},
      {"server key without a path",
       [&] {
         HKEY key = nullptr;
         ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, serverKey.c_str(), &key), ERROR_SUCCESS);
         RegCloseKey(key);
       }},
      {"empty path",
       [&] { ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, serverKey.c_str(), REG_SZ, "", 0), ERROR_SUCCESS); }},
      {"path of another type",
       [&] {
         HKEY key = nullptr;
         ASSERT_EQ(RegOpenKeyA(HKEY_CLASSES_ROOT, serverKey.c_str(), &key), ERROR_SUCCESS);
         ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number)),
                   ERROR_SUCCESS);
         RegCloseKey(key);
       }},
      {"damaged registry", [&] { WriteFile(RegistryPath(), "vellora-registry 1\nnext-id 1\n"); }},
  };
  for (const auto& [label, step] : steps) {
    step();
    IPersist* object = reinterpret_cast<IPersist*>(0x1);
    EXPECT_EQ(Create(CLSID_TestObject, &object), REGDB_E_CLASSNOTREG) << label;
    EXPECT_EQ(object, nullptr) << label;
  }
}

TEST_F(ClassLookupTest, ARegisteredServerIsLoadedOnceServesItsObjectsAndIsFreedWhenUnused) {
  std::string serverKey = ServerKeyName(CLSID_TestObject);
  for (char& c : serverKey) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));  // names match without regard to case
  }
  Register(serverKey, TEST_MODULE_PATH);

  IPersist* first = nullptr;
  IPersist* second = nullptr;
  ASSERT_EQ(Create(CLSID_TestObject, &first), S_OK);
  ASSERT_EQ(Create(CLSID_TestObject, &second), S_OK);
  CLSID reported = GUID_NULL;
  EXPECT_EQ(first->GetClassID(&reported), S_OK);
  EXPECT_EQ(reported, CLSID_TestObject);
  EXPECT_NE(first, second);

  HMODULE module = GetModuleHandleA(TEST_MODULE_PATH);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(ModuleExport<TestModuleCounterFunction>(module, "TestModuleAttachCalls")(), 1);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(CoGetClassObject(CLSID_TestObject, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);

  CoFreeUnusedLibraries();  // objects and a factory are alive: the server stays
  EXPECT_EQ(GetModuleHandleA(TEST_MODULE_PATH), module);
  factory->Release();
  first->Release();
  second->Release();
  CoFreeUnusedLibraries();
  EXPECT_EQ(GetModuleHandleA(TEST_MODULE_PATH), nullptr);
}

TEST_F(ClassLookupTest, ARegisteredServerThatFailsPassesItsFailureOn) {
  Register(ServerKeyName(CLSID_TestObject), "/nonexistent/libnothing.so");
  Register(ServerKeyName(CLSID_Unserved), TEST_MODULE_PATH);
  IPersist* object = nullptr;
  EXPECT_EQ(Create(CLSID_TestObject, &object), HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(Create(CLSID_Unserved, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
}

}  // namespace
