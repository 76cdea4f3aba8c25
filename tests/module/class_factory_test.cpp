// DllGetClassObject, DllCanUnloadNow and the template class factory.
#include <gtest/gtest.h>

#include <thread>

#include "standin_hooks.h"
#include "tests/module/test_module_fixture.h"

namespace {

using ClassFactory = TestModuleFixture;

void* const Untouched = reinterpret_cast<void*>(0x5a5a);

TEST_F(ClassFactory, GetClassObjectAnswersByInterfaceThenClass) {
  struct Case {
    const CLSID* classId;
    const IID* iid;
    HRESULT expected;
  };
  const Case cases[] = {
      {&CLSID_TestObject, &IID_IClassFactory, S_OK},
      {&CLSID_TestObject, &IID_IUnknown, S_OK},
      {&CLSID_Unserved, &IID_IClassFactory, CLASS_E_CLASSNOTAVAILABLE},
      {&CLSID_TestObject, &IID_IPersist, E_NOINTERFACE},
      {&CLSID_Unserved, &IID_IPersist, E_NOINTERFACE},  // the interface is looked at first
  };
  for (const Case& c : cases) {
    void* out = Untouched;
    EXPECT_EQ(c.expected, Module.GetClassObject(*c.classId, *c.iid, &out));
    if (SUCCEEDED(c.expected)) {
      EXPECT_EQ(0u, static_cast<IClassFactory*>(out)->Release());  // a new factory each time
    } else {
      EXPECT_EQ(Untouched, out);
    }
  }
  EXPECT_EQ(E_POINTER, Module.GetClassObject(CLSID_TestObject, IID_IClassFactory, nullptr));
}

TEST_F(ClassFactory, UnloadWaitsForFactoriesLocksAndObjects) {
  IClassFactory* factory = Factory(CLSID_TestObject);
  EXPECT_EQ(S_FALSE, Module.CanUnloadNow());

  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  EXPECT_EQ(0u, factory->Release());
  EXPECT_EQ(S_FALSE, Module.CanUnloadNow());  // the lock alone holds the module

  IUnknown* object = NewTestObject();
  factory = Factory(CLSID_TestObject);
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  factory->Release();
  EXPECT_EQ(S_FALSE, Module.CanUnloadNow());  // the object alone holds it
  object->Release();
  EXPECT_EQ(S_OK, Module.CanUnloadNow());
}

TEST_F(ClassFactory, NegativeLockBalanceCountsAsNoLock) {
  IClassFactory* factory = Factory(CLSID_TestObject);
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  EXPECT_EQ(-1, ServerLocks());
  EXPECT_EQ(S_FALSE, Module.CanUnloadNow());  // the factory is alive
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  factory->LockServer(FALSE);
  factory->Release();
  EXPECT_EQ(S_OK, Module.CanUnloadNow());
  factory = Factory(CLSID_TestObject);
  factory->LockServer(TRUE);  // back to a zero balance for the fixture
  factory->Release();
}

TEST_F(ClassFactory, FactoryQueryInterface) {
  IClassFactory* factory = Factory(CLSID_TestObject);
  EXPECT_EQ(E_POINTER, factory->QueryInterface(IID_IClassFactory, nullptr));
  void* out = Untouched;
  EXPECT_EQ(E_NOINTERFACE, factory->QueryInterface(IID_IPersist, &out));
  EXPECT_EQ(nullptr, out);
  ASSERT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, &out));
  EXPECT_EQ(static_cast<IUnknown*>(factory), out);
  EXPECT_EQ(1u, factory->Release());
  EXPECT_EQ(0u, factory->Release());
}

TEST_F(ClassFactory, CreateInstanceFailures) {
  // Never called: the factory must refuse before it uses the outer object.
  IUnknown* const outerStandIn = reinterpret_cast<IUnknown*>(0x1);
  struct Case {
    const CLSID* classId;
    IUnknown* outer;
    const IID* iid;
    HRESULT expected;
    void* out;  // what the out-parameter holds afterwards
  };
  const Case cases[] = {
      {&CLSID_RejectedObject, nullptr, &IID_IUnknown, E_FAIL, Untouched},
      {&CLSID_NoObject, nullptr, &IID_IUnknown, E_OUTOFMEMORY, Untouched},
      {&CLSID_RefusingObject, nullptr, &IID_IUnknown, CLASS_E_NOAGGREGATION, Untouched},
      {&CLSID_TestObject, outerStandIn, &IID_IPersist, E_NOINTERFACE, Untouched},
      {&CLSID_TestObject, nullptr, &IID_Unimplemented, E_NOINTERFACE, nullptr},
  };
  for (const Case& c : cases) {
    IClassFactory* factory = Factory(*c.classId);
    void* out = Untouched;
    EXPECT_EQ(c.expected, factory->CreateInstance(c.outer, *c.iid, &out));
    EXPECT_EQ(c.out, out);
    EXPECT_EQ(1, LiveObjects()) << "only the factory lives";
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IUnknown, nullptr));
    factory->Release();
  }
}

// Every allocation of "get a factory, create an object" fails in turn; each
// failure is reported as E_OUTOFMEMORY and leaves nothing behind.
TEST_F(ClassFactory, AllocationFailuresLeakNothing) {
  for (LONG nth = 1;; ++nth) {
    StandinFailNthAllocation(nth);
    void* factory = nullptr;
    HRESULT result = Module.GetClassObject(CLSID_TestObject, IID_IClassFactory, &factory);
    void* object = nullptr;
    if (SUCCEEDED(result)) {
      result = static_cast<IClassFactory*>(factory)->CreateInstance(nullptr, IID_IPersist, &object);
      static_cast<IClassFactory*>(factory)->Release();
    }
    StandinFailNthAllocation(0);
    if (SUCCEEDED(result)) {
      static_cast<IPersist*>(object)->Release();
      EXPECT_GT(nth, 2) << "both allocations must have been failed once";
      break;
    }
    EXPECT_EQ(E_OUTOFMEMORY, result) << "allocation " << nth;
    EXPECT_EQ(nullptr, object);
    EXPECT_EQ(0, LiveObjects()) << "allocation " << nth;
    ASSERT_LT(nth, 10);
  }
}

// The factory is called from any thread: its count and the lock balance must
// not lose updates.
TEST_F(ClassFactory, CountsHoldUnderConcurrentCallers) {
  IClassFactory* factory = Factory(CLSID_TestObject);
  auto hammer = [factory] {
    for (int i = 0; i < 20000; ++i) {
      factory->AddRef();
      factory->LockServer(TRUE);
      factory->LockServer(FALSE);
      factory->Release();
    }
  };
  std::thread first(hammer);
  std::thread second(hammer);
  first.join();
  second.join();
  EXPECT_EQ(0, ServerLocks());
  EXPECT_EQ(0u, factory->Release());
}

}  // namespace
