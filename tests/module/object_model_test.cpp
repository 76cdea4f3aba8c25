// Reference counting, interface lookup and aggregation of framework objects.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "tests/module/test_module_fixture.h"

namespace {

using ObjectModel = TestModuleFixture;

// An aggregating object: it counts its own references and passes IPersist
// requests to the inner object it controls.
class Outer : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown)) {
      *out = this;
      AddRef();
      return S_OK;
    }
    if (IsEqualIID(iid, IID_IPersist)) {
      return Inner->QueryInterface(iid, out);
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++Count; }
  ULONG STDMETHODCALLTYPE Release() override { return --Count; }

  ULONG Count = 1;
  IUnknown* Inner = nullptr;
};

TEST_F(ObjectModel, CountsFromOneAndDestroysAtZero) {
  IUnknown* object = NewTestObject();
  EXPECT_EQ(1, LiveObjects());
  EXPECT_EQ(2u, object->AddRef());
  EXPECT_EQ(1u, object->Release());
  EXPECT_EQ(0u, object->Release());
  EXPECT_EQ(0, LiveObjects());
}

TEST_F(ObjectModel, FailedQueriesChangeNothing) {
  IUnknown* object = NewTestObject();
  EXPECT_EQ(E_POINTER, object->QueryInterface(IID_IPersist, nullptr));

  void* out = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(IID_Unimplemented, &out));
  EXPECT_EQ(nullptr, out);

  EXPECT_EQ(2u, object->AddRef());  // still one reference before it
  object->Release();
  EXPECT_EQ(0u, object->Release());
}

TEST_F(ObjectModel, AllInterfacesShareOneCount) {
  IUnknown* object = NewTestObject();
  IPersist* persist = nullptr;
  ASSERT_EQ(S_OK, object->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist)));
  EXPECT_EQ(3u, persist->AddRef());
  EXPECT_EQ(2u, object->Release());

  IUnknown* identity = nullptr;
  ASSERT_EQ(S_OK, persist->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
  EXPECT_EQ(object, identity);  // the inner unknown is the identity

  CLSID classId{};
  EXPECT_EQ(S_OK, persist->GetClassID(&classId));
  EXPECT_EQ(CLSID_TestObject, classId);

  identity->Release();
  persist->Release();
  EXPECT_EQ(0u, persist->Release());
}

// Two threads drop the last two references at once. The Release that does
// not destroy the object must not read it afterwards: the other thread may
// already have freed it (the sanitizer builds watch).
TEST_F(ObjectModel, ConcurrentReleasesTouchNothingAfterTheLast) {
  for (int round = 0; round < 100; ++round) {
    IUnknown* object = NewTestObject();
    object->AddRef();
    std::atomic<int> ready{0};
    ULONG results[2] = {};
    auto release = [&](int slot) {
      ++ready;
      while (ready.load() < 2) {
      }
      results[slot] = object->Release();
    };
    std::thread first(release, 0);
    std::thread second(release, 1);
    first.join();
    second.join();
    EXPECT_EQ(0u, std::min(results[0], results[1]));
    EXPECT_EQ(1u, std::max(results[0], results[1]));
  }
}

TEST_F(ObjectModel, AggregatedObjectForwardsToItsOuter) {
  Outer outer;
  IClassFactory* factory = Factory(CLSID_TestObject);
  void* created = nullptr;
  ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, &created));
  factory->Release();
  outer.Inner = static_cast<IUnknown*>(created);

  // Through the inner unknown: the object's own interfaces and identity.
  IPersist* persist = nullptr;
  ASSERT_EQ(S_OK, outer.Inner->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist)));
  EXPECT_EQ(2u, outer.Count);  // the interface's reference is the outer's
  IUnknown* inner = nullptr;
  ASSERT_EQ(S_OK, outer.Inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&inner)));
  EXPECT_EQ(outer.Inner, inner);
  EXPECT_EQ(1u, inner->Release());

  // Through the interface: everything lands on the outer object.
  IUnknown* identity = nullptr;
  ASSERT_EQ(S_OK, persist->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
  EXPECT_EQ(static_cast<IUnknown*>(&outer), identity);
  EXPECT_EQ(3u, outer.Count);
  identity->Release();
  persist->AddRef();
  EXPECT_EQ(3u, outer.Count);
  persist->Release();
  persist->Release();
  EXPECT_EQ(1u, outer.Count);

  EXPECT_EQ(1, LiveObjects());
  EXPECT_EQ(0u, outer.Inner->Release());
}

}  // namespace
