// Code page conversion and wide-text parsing. The system code page here is
// UTF-8, so CP_ACP text converts as UTF-8.
#include <climits>
#include <cstring>

#include "platform.h"
#include "utf.h"

namespace {
constexpr UINT kUtf8CodePage = 65001;
}  // namespace

extern "C" {

int WINAPI MultiByteToWideChar(UINT codePage, DWORD, LPCSTR multiByte, int multiByteCount, LPWSTR wide, int wideCount) {
  if ((codePage != CP_ACP && codePage != kUtf8CodePage) || multiByte == nullptr || multiByteCount == 0 ||
      multiByteCount < -1 || wideCount < 0 || (wide == nullptr && wideCount > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // -1: zero-terminated, and the terminator is converted too.
  const size_t bytes = multiByteCount == -1 ? std::strlen(multiByte) + 1 : static_cast<size_t>(multiByteCount);
  size_t needed = 0;
  standin::DecodeUtf8(multiByte, bytes, [&](char16_t) { ++needed; });
  if (needed > static_cast<size_t>(INT_MAX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (wideCount == 0) {
    return static_cast<int>(needed);
  }
  if (needed > static_cast<size_t>(wideCount)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  size_t written = 0;
  standin::DecodeUtf8(multiByte, bytes, [&](char16_t unit) { wide[written++] = unit; });
  return static_cast<int>(written);
}

// Leading white space, an optional sign, decimal digits up to the first other
// unit; values beyond the int range saturate.
int _wtoi(const WCHAR* text) {
  if (text == nullptr) {
    return 0;
  }
  auto isSpace = [](WCHAR unit) { return unit == u' ' || (unit >= u'\t' && unit <= u'\r'); };
  while (isSpace(*text)) {
    ++text;
  }
  const bool negative = *text == u'-';
  if (*text == u'-' || *text == u'+') {
    ++text;
  }
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  long long magnitude = 0;
  for (; *text >= u'0' && *text <= u'9'; ++text) {
    magnitude = magnitude * 10 + (*text - u'0');
    if (magnitude > limit) {
      magnitude = limit;
    }
  }
  return static_cast<int>(negative ? -magnitude : magnitude);
}

}  // extern "C"
