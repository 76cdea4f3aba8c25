// The IEnumRegFilters that IFilterMapper::EnumMatchingFilters hands out: a
// walk over a snapshot of the matching filters, taken when it was made.
// Clones share the snapshot and start where their original stood.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform.h"

namespace standin {

struct RegFilterEntry {
  CLSID clsid;
  std::u16string name;
};

using RegFilterList = std::shared_ptr<const std::vector<RegFilterEntry>>;

class RegFilterEnumerator final : public IEnumRegFilters {
 public:
  static HRESULT Create(RegFilterList entries, size_t position, IEnumRegFilters** out);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // Each REGFILTER handed out is one task memory block holding the record and
  // its name; the caller frees it with CoTaskMemFree.
  HRESULT STDMETHODCALLTYPE Next(ULONG count, REGFILTER** filters, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumRegFilters** out) override;

 private:
  RegFilterEnumerator(RegFilterList entries, size_t position) : entries_(std::move(entries)), position_(position) {}
  ~RegFilterEnumerator() = default;

  const RegFilterList entries_;
  std::mutex positionLock_;
  size_t position_;  // guarded by positionLock_
  std::atomic<ULONG> references_{0};
};

}  // namespace standin
