// The IEnumRegFilters that IFilterMapper::EnumMatchingFilters hands out: a
// walk over a snapshot of the matching filters, taken when it was made.
// Clones share the snapshot and start where their original stood.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "com_object.h"
#include "platform.h"

namespace standin {

struct RegFilterEntry {
  CLSID clsid;
  std::u16string name;
};

using RegFilterList = std::shared_ptr<const std::vector<RegFilterEntry>>;

class RegFilterEnumerator final : public ComObject<RegFilterEnumerator, IEnumRegFilters, IID_IEnumRegFilters> {
 public:
  // Made with its snapshot, so not a runtime class: this Create hides the
  // runtime one.
  static HRESULT Create(RegFilterList entries, size_t position, IEnumRegFilters** out);

  // Each REGFILTER handed out is one task memory block holding the record and
  // its name; the caller frees it with CoTaskMemFree.
  HRESULT STDMETHODCALLTYPE Next(ULONG count, REGFILTER** filters, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumRegFilters** out) override;

 private:
  friend ComObject;
  RegFilterEnumerator(RegFilterList entries, size_t position) : entries_(std::move(entries)), position_(position) {}
  ~RegFilterEnumerator() = default;

  const RegFilterList entries_;
  std::mutex positionLock_;
  size_t position_;  // guarded by positionLock_
};

}  // namespace standin
