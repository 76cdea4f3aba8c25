// A fixture that loads the test module for each test and checks, when the
// test ends, that every object, factory and server lock is gone.
#pragma once

#include <gtest/gtest.h>

#include "platform.h"
#include "tests/support/loaded_module.h"
#include "tests/support/test_module/test_module_ids.h"

// Any interface that no test object implements.
inline constexpr IID IID_Unimplemented = {0x0badf00d, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0, 0, 1}};

class TestModuleFixture : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(Module.handle(), nullptr) << "cannot load " << TEST_MODULE_PATH; }
  void TearDown() override {
    EXPECT_EQ(0, LiveObjects());
    EXPECT_EQ(0, ServerLocks());
    EXPECT_EQ(S_OK, Module.CanUnloadNow());
  }

  LONG LiveObjects() const { return Module.Export<TestModuleCounterFunction>("TestModuleLiveObjectCount")(); }
  LONG ServerLocks() const { return Module.Export<TestModuleCounterFunction>("TestModuleServerLockCount")(); }

  IClassFactory* Factory(REFCLSID classId) const {
    void* factory = nullptr;
    EXPECT_EQ(S_OK, Module.GetClassObject(classId, IID_IClassFactory, &factory));
    return static_cast<IClassFactory*>(factory);
  }

  // A new stand-alone test object, as its inner unknown.
  IUnknown* NewTestObject() const {
    IClassFactory* factory = Factory(CLSID_TestObject);
    void* object = nullptr;
    EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, &object));
    factory->Release();
    return static_cast<IUnknown*>(object);
  }

  LoadedModule Module{TEST_MODULE_PATH};
};
