// The module's entry function as the loader drives it.
#include <gtest/gtest.h>

#include "platform.h"
#include "tests/support/loaded_module.h"
#include "tests/support/test_module/test_module_ids.h"

namespace {

int DetachCalls = 0;

void RecordDetach(BOOL loading, const CLSID* classId) {
  if (!loading && IsEqualCLSID(*classId, CLSID_TestObject)) {
    ++DetachCalls;
  }
}

TEST(ModuleEntry, AttachOnFirstLoadDetachOnLastFree) {
  HMODULE first = LoadLibraryA(TEST_MODULE_PATH);
  ASSERT_NE(nullptr, first);
  HMODULE second = LoadLibraryA(TEST_MODULE_PATH);
  EXPECT_EQ(first, second);

  EXPECT_EQ(1, ModuleExport<TestModuleCounterFunction>(first, "TestModuleAttachCalls")());
  EXPECT_EQ(first, ModuleExport<TestModuleInstanceFunction>(first, "TestModuleInstance")());
  ModuleExport<TestModuleSetInitProbeFunction>(first, "TestModuleSetInitProbe")(RecordDetach);

  DetachCalls = 0;
  FreeLibrary(second);
  EXPECT_EQ(0, DetachCalls);
  FreeLibrary(first);
  EXPECT_EQ(1, DetachCalls);
}

}  // namespace
