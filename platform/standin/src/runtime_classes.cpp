#include "runtime_classes.h"

#include <algorithm>
#include <initializer_list>
#include <mutex>
#include <vector>

#include "export_guard.h"
#include "filter_mapper.h"
#include "filter_mapper2.h"
#include "memory_allocator.h"
#include "standin_hooks.h"

namespace standin {

namespace {

// One row per class: {&CLSID_..., CreateFunction}.
const std::initializer_list<RuntimeClass> kRuntimeClasses = {
    {&CLSID_FilterMapper2, &FilterMapper2::Create},
    {&CLSID_FilterMapper, &FilterMapper::Create},
    {&CLSID_MemoryAllocator, &MemoryAllocator::Create},
};

std::mutex hiddenLock;
std::vector<CLSID>& HiddenClasses() {
  static auto* const hidden = new std::vector<CLSID>;
  return *hidden;
}

bool IsHidden(REFCLSID classId) {
  std::lock_guard<std::mutex> hold(hiddenLock);
  const std::vector<CLSID>& hidden = HiddenClasses();
  return std::find(hidden.begin(), hidden.end(), classId) != hidden.end();
}

}  // namespace

RuntimeClassState FindRuntimeClass(REFCLSID classId, const RuntimeClass** row) {
  *row = nullptr;
  auto found = std::find_if(kRuntimeClasses.begin(), kRuntimeClasses.end(),
                            [&](const RuntimeClass& entry) { return *entry.classId == classId; });
  if (found == kRuntimeClasses.end()) {
    return RuntimeClassState::Absent;
  }
  if (IsHidden(classId)) {
    return RuntimeClassState::Hidden;
  }
  *row = &*found;
  return RuntimeClassState::Available;
}

}  // namespace standin

extern "C" {

void StandinHideClass(REFCLSID classId, BOOL hidden) {
  standin::GuardedVoid([&] {
    std::lock_guard<std::mutex> hold(standin::hiddenLock);
    std::vector<CLSID>& classes = standin::HiddenClasses();
    std::erase(classes, classId);
    if (hidden) {
      classes.push_back(classId);
    }
  });
}

}  // extern "C"
