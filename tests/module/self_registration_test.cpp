// DllRegisterServer and DllUnregisterServer of a module: the COM server keys
// in the registry and the filter data in the filter mapper.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "standin_hooks.h"
#include "tests/platform/test_thread.h"
#include "tests/support/class_key_name.h"
#include "tests/support/loaded_module.h"
#include "tests/support/registry_fixture.h"
#include "tests/support/test_module/test_module_ids.h"

namespace {

const CLSID* const TestModuleClasses[] = {&CLSID_TestObject, &CLSID_RejectedObject, &CLSID_NoObject,
                                          &CLSID_RefusingObject};

std::string ModulePath(HMODULE module) {
  char path[4096];
  GetModuleFileNameA(module, path, sizeof(path));
  return path;
}

// The filters that the older mapper lists with an audio output pin.
std::vector<CLSID> AudioSourceFilters() {
  std::vector<CLSID> found;
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  IFilterMapper* mapper = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_FilterMapper, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper,
                                 reinterpret_cast<void**>(&mapper)))) {
    IEnumRegFilters* filters = nullptr;
    if (SUCCEEDED(mapper->EnumMatchingFilters(&filters, 0, FALSE, GUID_NULL, GUID_NULL, FALSE, TRUE, MEDIATYPE_Audio,
                                              GUID_NULL))) {
      REGFILTER* filter = nullptr;
      ULONG fetched = 0;
      while (filters->Next(1, &filter, &fetched) == S_OK) {
        found.push_back(filter->Clsid);
        CoTaskMemFree(filter);
      }
      filters->Release();
    }
    mapper->Release();
  }
  CoUninitialize();
  return found;
}

bool ListsTestObject() {
  for (const CLSID& filter : AudioSourceFilters()) {
    if (IsEqualCLSID(filter, CLSID_TestObject)) {
      return true;
    }
  }
  return false;
}

// A text value of a key under HKEY_CLASSES_ROOT, or "<missing>".
std::string TextOf(const std::string& key, const char* name = "") {
  return RegistryFixture::Text(HKEY_CLASSES_ROOT, key.c_str(), name).value_or("<missing>");
}

class SelfRegistration : public RegistryFixture {
 protected:
  void TearDown() override {
    StandinHideClass(CLSID_FilterMapper2, FALSE);
    StandinHideClass(CLSID_FilterMapper, FALSE);
    RegistryFixture::TearDown();
  }

  static HRESULT Register(const LoadedModule& module) {
    return module.Export<HRESULT (*)()>("DllRegisterServer")();
  }
  static HRESULT Unregister(const LoadedModule& module) {
    return module.Export<HRESULT (*)()>("DllUnregisterServer")();
  }

  LoadedModule Module{TEST_MODULE_PATH};
};

TEST_F(SelfRegistration, RegisterWritesServerKeysThenFilterData) {
  ASSERT_EQ(S_OK, Register(Module));
  for (const CLSID* classId : TestModuleClasses) {
    EXPECT_EQ(ModulePath(Module.handle()), TextOf(ClassKeyName(*classId) + "\\InprocServer32"));
    EXPECT_EQ("Both", TextOf(ClassKeyName(*classId) + "\\InprocServer32", "ThreadingModel"));
  }
  EXPECT_EQ("Test Object", TextOf(ClassKeyName(CLSID_TestObject)));
  EXPECT_EQ("Rejected Object", TextOf(ClassKeyName(CLSID_RejectedObject)));
  EXPECT_TRUE(ListsTestObject());
}

TEST_F(SelfRegistration, UnregisterRemovesWholeTreesAndFilterData) {
  ASSERT_EQ(S_OK, Register(Module));
  const std::string key = ClassKeyName(CLSID_TestObject);
  const std::string longName(200, 'k');  // longer than any name the module writes
  for (const std::string& added : {key + "\\Added\\Deeper", key + "\\Another", key + "\\" + longName + "\\x"}) {
    CreateKey(added);
  }

  EXPECT_EQ(S_OK, Unregister(Module));
  for (const CLSID* classId : TestModuleClasses) {
    EXPECT_FALSE(KeyExists(ClassKeyName(*classId)));
  }
  EXPECT_TRUE(KeyExists("CLSID"));
  EXPECT_FALSE(ListsTestObject());

  EXPECT_EQ(S_OK, Unregister(Module)) << "removing what is not there succeeds";
}

// Subkeys that other software added and that cannot be deleted, or not even
// opened, stay behind; everything else goes.
TEST_F(SelfRegistration, UndeletableSubkeysArePassedOver) {
  ASSERT_EQ(S_OK, Register(Module));
  const std::string key = ClassKeyName(CLSID_TestObject);
  const std::string locked = key + "\\B\\Locked";
  const std::string sealed = key + "\\D";
  for (const std::string& added : {key + "\\A", locked, key + "\\C", sealed + "\\Inside"}) {
    CreateKey(added);
  }
  StandinProtectRegistryKey(locked.c_str(), TRUE);
  StandinSealRegistryKey(sealed.c_str(), TRUE);

  // A walk that cannot get past the sealed key asks for it without end: it
  // is given some seconds, then the key is unsealed so that it can finish.
  HRESULT result = E_FAIL;
  TestThread unregistering([&] { result = Unregister(Module); });
  const bool returned = WaitForSingleObject(unregistering.handle(), 15000) == WAIT_OBJECT_0;
  StandinSealRegistryKey(sealed.c_str(), FALSE);
  unregistering.Join();
  EXPECT_TRUE(returned) << "the walk ended only once the key was unsealed";
  EXPECT_EQ(S_OK, result);

  EXPECT_TRUE(KeyExists(locked));
  EXPECT_TRUE(KeyExists(sealed + "\\Inside"));
  EXPECT_FALSE(KeyExists(key + "\\A"));
  EXPECT_FALSE(KeyExists(key + "\\C"));
  EXPECT_FALSE(KeyExists(key + "\\InprocServer32"));
  StandinProtectRegistryKey(locked.c_str(), FALSE);
}

TEST_F(SelfRegistration, OlderMapperServesWhenTheNewerIsUnavailable) {
  StandinHideClass(CLSID_FilterMapper2, TRUE);
  ASSERT_EQ(S_OK, Register(Module));
  EXPECT_TRUE(ListsTestObject()) << "filter, pin and pin type went through IFilterMapper";
  EXPECT_EQ(S_OK, Unregister(Module));
  EXPECT_FALSE(ListsTestObject());
  EXPECT_FALSE(KeyExists(ClassKeyName(CLSID_TestObject)));
}

TEST_F(SelfRegistration, WithoutAnyMapperServerKeysStayAndTheCodeIsReturned) {
  StandinHideClass(CLSID_FilterMapper2, TRUE);
  StandinHideClass(CLSID_FilterMapper, TRUE);
  EXPECT_EQ(REGDB_E_CLASSNOTREG, Register(Module));
  EXPECT_TRUE(KeyExists(ClassKeyName(CLSID_TestObject) + "\\InprocServer32"));
  EXPECT_EQ(REGDB_E_CLASSNOTREG, Unregister(Module));
  EXPECT_TRUE(KeyExists(ClassKeyName(CLSID_TestObject)));
}

TEST_F(SelfRegistration, MapperFailureLeavesServerKeysAndIsReturned) {
  LoadedModule nameless(TEST_MODULE_NAMELESS_PATH);
  ASSERT_NE(nullptr, nameless.handle());
  // The mapper's answer to a record without a name.
  EXPECT_EQ(E_POINTER, Register(nameless));
  EXPECT_EQ(ModulePath(nameless.handle()), TextOf(ClassKeyName(CLSID_TestObject) + "\\InprocServer32"));
}

// A path that does not fit the 260-byte buffer would be registered cut short.
TEST_F(SelfRegistration, TooLongModulePathIsRefusedBeforeAnythingIsWritten) {
  std::filesystem::path folder = std::filesystem::path(Folder());
  for (int level = 0; level < 3; ++level) {
    folder /= std::string(100, 'd');
  }
  std::filesystem::create_directories(folder);
  const std::filesystem::path copy = folder / "libtest_module_copy.so";
  std::filesystem::copy_file(TEST_MODULE_PATH, copy);

  LoadedModule far(copy.c_str());
  ASSERT_NE(nullptr, far.handle());
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER), Register(far));
  EXPECT_FALSE(std::filesystem::exists(RegistryPath()));
}

// A caller already in the multithreaded apartment keeps its COM; a thread
// without COM is left without it.
TEST_F(SelfRegistration, CallerApartmentIsLeftAsItWas) {
  ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  EXPECT_EQ(S_OK, Register(Module));
  EXPECT_EQ(S_OK, Unregister(Module));
  EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_MULTITHREADED)) << "still initialised";
  CoUninitialize();
  CoUninitialize();

  TestThread::RunToEnd([this] {
    EXPECT_EQ(S_OK, Register(Module));
    EXPECT_EQ(S_OK, Unregister(Module));
    EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED)) << "the apartment it made was undone";
    CoUninitialize();
  });
}

}  // namespace
