#include "reg_filter_enumerator.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace standin {

namespace {

// The record and its zero-terminated name in one block; none when task
// memory runs out.
REGFILTER* CopyEntry(const RegFilterEntry& entry) {
  const size_t nameBytes = (entry.name.size() + 1) * sizeof(WCHAR);
  auto* record = static_cast<REGFILTER*>(CoTaskMemAlloc(sizeof(REGFILTER) + nameBytes));
  if (record == nullptr) {
    return nullptr;
  }
  record->Clsid = entry.clsid;
  record->Name = reinterpret_cast<LPWSTR>(record + 1);
  std::memcpy(record->Name, entry.name.c_str(), nameBytes);
  return record;
}

}  // namespace

HRESULT RegFilterEnumerator::Create(RegFilterList entries, size_t position, IEnumRegFilters** out) {
  *out = nullptr;
  auto* enumerator = new (std::nothrow) RegFilterEnumerator(std::move(entries), position);
  if (enumerator == nullptr) {
    return E_OUTOFMEMORY;
  }
  enumerator->AddRef();
  *out = enumerator;
  return S_OK;
}

// On a failed allocation nothing is handed out and the position stays.
HRESULT RegFilterEnumerator::Next(ULONG count, REGFILTER** filters, ULONG* fetched) {
  if (filters == nullptr || (fetched == nullptr && count != 1)) {
    return E_POINTER;
  }
  std::lock_guard<std::mutex> hold(positionLock_);
  ULONG handed = 0;
  for (; handed < count && position_ + handed < entries_->size(); ++handed) {
    filters[handed] = CopyEntry((*entries_)[position_ + handed]);
    if (filters[handed] == nullptr) {
      for (ULONG at = 0; at < handed; ++at) {
        CoTaskMemFree(filters[at]);
        filters[at] = nullptr;
      }
      if (fetched != nullptr) {
        *fetched = 0;
      }
      return E_OUTOFMEMORY;
    }
  }
  position_ += handed;
  if (fetched != nullptr) {
    *fetched = handed;
  }
  return handed == count ? S_OK : S_FALSE;
}

HRESULT RegFilterEnumerator::Skip(ULONG count) {
  std::lock_guard<std::mutex> hold(positionLock_);
  const size_t step = std::min<size_t>(count, entries_->size() - position_);
  position_ += step;
  return step == count ? S_OK : S_FALSE;
}

HRESULT RegFilterEnumerator::Reset() {
  std::lock_guard<std::mutex> hold(positionLock_);
  position_ = 0;
  return S_OK;
}

HRESULT RegFilterEnumerator::Clone(IEnumRegFilters** out) {
  if (out == nullptr) {
    return E_POINTER;
  }
  std::lock_guard<std::mutex> hold(positionLock_);
  return Create(entries_, position_, out);
}

}  // namespace standin
