// Class ids as text: the braced, upper-case 38-character form.
#include <cstdio>

#include "platform.h"

namespace {
constexpr int kGuidTextUnits = 39;  // with the terminator
}  // namespace

extern "C" {

int WINAPI StringFromGUID2(REFGUID guid, LPOLESTR text, int maxUnits) {
  if (text == nullptr || maxUnits < kGuidTextUnits) {
    return 0;
  }
  char narrow[kGuidTextUnits];
  std::snprintf(narrow, sizeof(narrow), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  for (int at = 0; at < kGuidTextUnits; ++at) {
    text[at] = static_cast<OLECHAR>(narrow[at]);
  }
  return kGuidTextUnits;
}

}  // extern "C"
