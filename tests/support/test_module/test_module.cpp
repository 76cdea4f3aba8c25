// A small module with its own template table, loaded by the tests through the
// stand-in loader like any in-process server.
#include "module/class_template.h"
#include "module/filter_setup.h"
#include "module/module_entry.h"
#include "module/template_class_factory.h"
#include "module/unknown_base.h"
#include "tests/support/test_module/test_module_ids.h"

namespace {

class TestObject final : public UnknownBase, public ForwardingUnknown<TestObject, IPersist> {
 public:
  explicit TestObject(IUnknown* outer) noexcept : UnknownBase(outer) {}

  HRESULT STDMETHODCALLTYPE InnerQueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IPersist)) {
      return ReturnInterface(static_cast<IPersist*>(this), out);
    }
    return UnknownBase::InnerQueryInterface(iid, out);
  }

  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* classId) override {
    if (classId == nullptr) {
      return E_POINTER;
    }
    *classId = CLSID_TestObject;
    return S_OK;
  }

  static UnknownBase* Create(IUnknown* outer, HRESULT* result) {
    TestObject* object = new (std::nothrow) TestObject(outer);
    if (object == nullptr) {
      *result = E_OUTOFMEMORY;
    }
    return object;
  }
};

// Rejected by its own create routine. Its destructor takes and drops a
// reference, as teardown code may: that must not destroy it a second time.
class RejectedObject final : public UnknownBase {
 public:
  RejectedObject() noexcept : UnknownBase(nullptr) {}
  ~RejectedObject() override {
    InnerAddRef();
    InnerRelease();
  }

  static UnknownBase* Create(IUnknown* /*outer*/, HRESULT* result) {
    *result = E_FAIL;
    return new (std::nothrow) RejectedObject();
  }
};

UnknownBase* CreateNothing(IUnknown* /*outer*/, HRESULT* /*result*/) { return nullptr; }

UnknownBase* RefuseAggregation(IUnknown* /*outer*/, HRESULT* result) {
  *result = CLASS_E_NOAGGREGATION;
  return nullptr;
}

InitProbe CurrentProbe = nullptr;
LONG AttachCalls = 0;

void ReportInit(BOOL loading, const CLSID* classId) {
  if (loading && IsEqualCLSID(*classId, CLSID_TestObject)) {
    ++AttachCalls;
  }
  if (CurrentProbe != nullptr) {
    CurrentProbe(loading, classId);
  }
}

// The test object registers as a filter with one audio output pin. Built with
// TEST_MODULE_NAMELESS_FILTER, its record has no name, which the filter
// mapper refuses: that variant shows how registration handles a mapper
// failure.
WCHAR OutputPinName[] = OLESTR("Output");
const REGPINTYPES OutputPinTypes[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM}};
const REGFILTERPINS TestObjectPins[] = {
    {OutputPinName, FALSE, TRUE, FALSE, FALSE, &CLSID_NULL, nullptr, 1, OutputPinTypes},
};
#ifdef TEST_MODULE_NAMELESS_FILTER
const WCHAR* const TestObjectFilterName = nullptr;
#else
const WCHAR* const TestObjectFilterName = OLESTR("Test Object");
#endif
const FilterSetupData TestObjectSetup = {&CLSID_TestObject, TestObjectFilterName, MERIT_DO_NOT_USE, 1, TestObjectPins};

}  // namespace

extern const ClassTemplateEntry ClassTemplateTable[] = {
    {OLESTR("Test Object"), &CLSID_TestObject, TestObject::Create, ReportInit, &TestObjectSetup},
    {OLESTR("Rejected Object"), &CLSID_RejectedObject, RejectedObject::Create, nullptr, nullptr},
    {OLESTR("No Object"), &CLSID_NoObject, CreateNothing, nullptr, nullptr},
    {OLESTR("Refusing Object"), &CLSID_RefusingObject, RefuseAggregation, nullptr, nullptr},
};
extern const LONG ClassTemplateCount = sizeof(ClassTemplateTable) / sizeof(ClassTemplateTable[0]);

#define TEST_EXPORT __attribute__((visibility("default")))

extern "C" {

TEST_EXPORT LONG TestModuleLiveObjectCount() { return LiveObjectCount; }
TEST_EXPORT LONG TestModuleServerLockCount() { return ServerLockCount; }
TEST_EXPORT HINSTANCE TestModuleInstance() { return ModuleInstance; }
// Init routine calls made with TRUE and the row's own class id.
TEST_EXPORT LONG TestModuleAttachCalls() { return AttachCalls; }
// The probe sees every init routine call, the detach ones included.
TEST_EXPORT void TestModuleSetInitProbe(InitProbe probe) { CurrentProbe = probe; }

}  // extern "C"
