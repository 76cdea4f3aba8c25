#include "apartment.h"

#include "platform.h"

namespace standin {

namespace {

// Per thread: the number of counted initialisations and the model the first
// one chose. Calls asking for the other model are refused and not counted.
struct Apartment {
  LONG initialisations = 0;
  bool multithreaded = false;
};
thread_local Apartment apartment;

}  // namespace

bool ThreadHasApartment() { return apartment.initialisations > 0; }

}  // namespace standin

extern "C" {

HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD coInit) {
  if (reserved != nullptr) {
    return E_INVALIDARG;
  }
  standin::Apartment& apartment = standin::apartment;
  const bool multithreaded = (coInit & COINIT_APARTMENTTHREADED) == 0;
  if (apartment.initialisations == 0) {
    apartment.multithreaded = multithreaded;
    apartment.initialisations = 1;
    return S_OK;
  }
  if (apartment.multithreaded != multithreaded) {
    return RPC_E_CHANGED_MODE;
  }
  ++apartment.initialisations;
  return S_FALSE;
}

HRESULT WINAPI CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void WINAPI CoUninitialize() {
  if (standin::apartment.initialisations > 0) {
    --standin::apartment.initialisations;
  }
}

}  // extern "C"
