// TemplateClassFactory: the one class factory, serving any template row.
#pragma once

#include "module/class_template.h"
#include "module/tracked_object.h"
#include "platform.h"

// Balance of LockServer calls in this module. Interlocked: factories are
// called from any thread.
extern LONG volatile ServerLockCount;

class TemplateClassFactory final : public TrackedObject, public IClassFactory {
 public:
  // `entry` is static data of the module; it is not owned.
  explicit TemplateClassFactory(const ClassTemplateEntry* entry) noexcept : Entry(entry) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  ~TemplateClassFactory() = default;

  const ClassTemplateEntry* const Entry;
  LONG volatile RefCount = 0;
};
