#include "text_formatter.h"

#include <cstdint>
#include <cstring>

#include "platform.h"
#include "utf.h"

namespace standin {

namespace {

class Output {
 public:
  Output(char* buffer, std::size_t capacity) : buffer_(buffer), room_(capacity - 1) {}

  void Put(char c) {
    if (count_ < room_) {
      buffer_[count_++] = c;
    }
  }
  void Put(const char* text, std::size_t length) {
    for (std::size_t at = 0; at < length; ++at) {
      Put(text[at]);
    }
  }
  void Repeat(char c, std::size_t times) {
    for (; times > 0; --times) {
      Put(c);
    }
  }
  int Finish() {
    buffer_[count_] = '\0';
    return static_cast<int>(count_);
  }

 private:
  char* buffer_;
  std::size_t room_;
  std::size_t count_ = 0;
};

struct Field {
  bool leftAlign = false;
  bool zeroPad = false;
  bool alternate = false;
  std::size_t width = 0;
  int precision = -1;  // none
  char size = '\0';    // 'l', 'h' or none
};

// Padding to the field width around a body of `length` bytes that `writeBody`
// puts out; `prefix` (sign, "0x") stays in front of zero padding.
template <typename WriteBody>
void PutField(Output& out, const Field& field, const char* prefix, std::size_t length, bool numeric,
              WriteBody writeBody) {
  const std::size_t prefixLength = std::strlen(prefix);
  const std::size_t total = prefixLength + length;
  const std::size_t padding = field.width > total ? field.width - total : 0;
  if (field.leftAlign) {
    out.Put(prefix, prefixLength);
    writeBody();
    out.Repeat(' ', padding);
  } else if (numeric && field.zeroPad && field.precision < 0) {
    out.Put(prefix, prefixLength);
    out.Repeat('0', padding);
    writeBody();
  } else {
    out.Repeat(' ', padding);
    out.Put(prefix, prefixLength);
    writeBody();
  }
}

void PutNumber(Output& out, const Field& field, std::uint32_t magnitude, bool negative, unsigned base, bool upper) {
  char digits[40];
  std::size_t count = 0;
  const char* alphabet = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  for (std::uint32_t rest = magnitude; rest != 0 || (count == 0 && field.precision != 0); rest /= base) {
    digits[count++] = alphabet[rest % base];
  }
  const std::size_t precision =
      field.precision > 32 ? 32 : static_cast<std::size_t>(field.precision < 0 ? 0 : field.precision);
  while (count < precision) {
    digits[count++] = '0';
  }
  const char* prefix = negative ? "-" : "";
  if (field.alternate && base == 16 && magnitude != 0) {
    prefix = upper ? "0X" : "0x";
  }
  PutField(out, field, prefix, count, true, [&] {
    for (std::size_t at = count; at > 0; --at) {
      out.Put(digits[at - 1]);
    }
  });
}

void PutNarrowText(Output& out, const Field& field, const char* text) {
  if (text == nullptr) {
    text = "(null)";
  }
  const std::size_t length =
      field.precision < 0 ? std::strlen(text) : strnlen(text, static_cast<std::size_t>(field.precision));
  PutField(out, field, "", length, false, [&] { out.Put(text, length); });
}

void PutWideText(Output& out, const Field& field, const char16_t* text, std::size_t units) {
  std::size_t bytes = 0;
  EncodeUtf8(text, units, [&](char) { ++bytes; });
  PutField(out, field, "", bytes, false, [&] { EncodeUtf8(text, units, [&](char c) { out.Put(c); }); });
}

void PutWideString(Output& out, const Field& field, const char16_t* text) {
  if (text == nullptr) {
    PutNarrowText(out, field, nullptr);
    return;
  }
  std::size_t units = 0;
  while (text[units] != u'\0' && (field.precision < 0 || units < static_cast<std::size_t>(field.precision))) {
    ++units;
  }
  PutWideText(out, field, text, units);
}

std::size_t ReadCount(const char*& at) {
  std::size_t value = 0;
  for (; *at >= '0' && *at <= '9'; ++at) {
    value = value * 10 + static_cast<std::size_t>(*at - '0');
    if (value > 4096) {
      value = 4096;  // beyond any output this can make
    }
  }
  return value;
}

}  // namespace

int FormatText(char* buffer, std::size_t capacity, const char* format, va_list args) noexcept {
  Output out(buffer, capacity);
  for (const char* at = format; at != nullptr && *at != '\0';) {
    if (*at != '%') {
      out.Put(*at++);
      continue;
    }
    ++at;
    Field field;
    for (;; ++at) {
      if (*at == '-') {
        field.leftAlign = true;
      } else if (*at == '0') {
        field.zeroPad = true;
      } else if (*at == '#') {
        field.alternate = true;
      } else {
        break;
      }
    }
    field.width = ReadCount(at);
    if (*at == '.') {
      ++at;
      field.precision = static_cast<int>(ReadCount(at));
    }
    if (*at == 'l' || *at == 'h') {
      field.size = *at++;
    }
    const char conversion = *at;
    if (conversion == '\0') {
      break;
    }
    ++at;
    switch (conversion) {
      case 'd':
      case 'i': {
        std::int32_t value = va_arg(args, std::int32_t);
        if (field.size == 'h') {
          value = static_cast<std::int16_t>(value);
        }
        const std::uint32_t magnitude =
            value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
        PutNumber(out, field, magnitude, value < 0, 10, false);
        break;
      }
      case 'u':
      case 'x':
      case 'X': {
        std::uint32_t value = va_arg(args, std::uint32_t);
        if (field.size == 'h') {
          value &= 0xFFFF;
        }
        PutNumber(out, field, value, false, conversion == 'u' ? 10 : 16, conversion == 'X');
        break;
      }
      case 's':
      case 'S':
        // %S is the other width than %s; the prefixes name the width outright.
        if (field.size == 'l' || (conversion == 'S' && field.size != 'h')) {
          PutWideString(out, field, va_arg(args, const char16_t*));
        } else {
          PutNarrowText(out, field, va_arg(args, const char*));
        }
        break;
      case 'c':
      case 'C': {
        const int value = va_arg(args, int);
        if (field.size == 'l' || (conversion == 'C' && field.size != 'h')) {
          const char16_t unit = static_cast<char16_t>(value);
          PutWideText(out, field, &unit, 1);
        } else {
          const char c = static_cast<char>(value);
          PutField(out, field, "", 1, false, [&] { out.Put(c); });
        }
        break;
      }
      default:  // "%%", and any unknown conversion, stands for itself
        out.Put(conversion);
        break;
    }
  }
  return out.Finish();
}

}  // namespace standin

namespace {
constexpr std::size_t kWsprintfLimit = 1024;  // bytes, terminator included
}  // namespace

extern "C" {

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  if (buffer == nullptr) {
    return 0;
  }
  va_list args;
  va_start(args, format);
  const int written = standin::FormatText(buffer, kWsprintfLimit, format, args);
  va_end(args);
  return written;
}

}  // extern "C"
