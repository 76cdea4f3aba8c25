// The formatter behind wsprintfA: %s, %ls/%S (wide text, written as UTF-8),
// %c, %lc/%C, %d, %i, %u, %x, %X and %%, with the '-', '0' and '#' flags,
// width, precision and the 'l' and 'h' size prefixes. 'l' means 32 bits, as
// on the platform, where long is 32 bits wide. At most `capacity` bytes are
// written, terminator included; it never allocates and never throws.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace standin {

int FormatText(char* buffer, std::size_t capacity, const char* format, va_list args) noexcept;

}  // namespace standin
