// UTF-8 <-> UTF-16 without allocation: each routine hands the units it
// produces to a callback, so callers can count first and write second.
// Malformed input becomes U+FFFD, as the platform's converters do.
#pragma once

#include <cstddef>

namespace standin {

constexpr char32_t kReplacement = 0xFFFD;

template <typename Emit>
void EmitUtf16(char32_t codePoint, Emit& emit) {
  if (codePoint < 0x10000) {
    emit(static_cast<char16_t>(codePoint));
    return;
  }
  codePoint -= 0x10000;
  emit(static_cast<char16_t>(0xD800 + (codePoint >> 10)));
  emit(static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF)));
}

template <typename Emit>
void EmitUtf8(char32_t codePoint, Emit& emit) {
  if (codePoint < 0x80) {
    emit(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    emit(static_cast<char>(0xC0 | (codePoint >> 6)));
    emit(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    emit(static_cast<char>(0xE0 | (codePoint >> 12)));
    emit(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    emit(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    emit(static_cast<char>(0xF0 | (codePoint >> 18)));
    emit(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    emit(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    emit(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

// Each maximal ill-formed subsequence becomes one U+FFFD.
template <typename Emit>
void DecodeUtf8(const char* text, std::size_t bytes, Emit emit) {
  std::size_t at = 0;
  while (at < bytes) {
    const unsigned char lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80) {
      emit(static_cast<char16_t>(lead));
      continue;
    }
    int trailing;
    char32_t codePoint;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      trailing = 1;
      codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      trailing = 2;
      codePoint = lead & 0x0F;
      low = lead == 0xE0 ? 0xA0 : low;    // no overlong forms
      high = lead == 0xED ? 0x9F : high;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      trailing = 3;
      codePoint = lead & 0x07;
      low = lead == 0xF0 ? 0x90 : low;
      high = lead == 0xF4 ? 0x8F : high;  // nothing above U+10FFFF
    } else {
      emit(static_cast<char16_t>(kReplacement));
      continue;
    }
    bool complete = true;
    for (; trailing > 0; --trailing) {
      const unsigned char next = at < bytes ? static_cast<unsigned char>(text[at]) : 0;
      if (at >= bytes || next < low || next > high) {
        complete = false;
        break;
      }
      codePoint = (codePoint << 6) | (next & 0x3F);
      low = 0x80;
      high = 0xBF;
      ++at;
    }
    EmitUtf16(complete ? codePoint : kReplacement, emit);
  }
}

template <typename Emit>
void EncodeUtf8(const char16_t* text, std::size_t units, Emit emit) {
  for (std::size_t at = 0; at < units; ++at) {
    const char16_t unit = text[at];
    char32_t codePoint = unit;
    if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < units && text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF) {
      codePoint = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[at + 1] - 0xDC00);
      ++at;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      codePoint = kReplacement;
    }
    EmitUtf8(codePoint, emit);
  }
}

}  // namespace standin
