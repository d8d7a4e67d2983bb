// The C runtime's own printf family, where %s in a wide format takes wide text.
// msvcrt's underscore functions are called directly: mingw's C99-conforming
// replacements (__USE_MINGW_ANSI_STDIO, which libstdc++ turns on) read %s in a
// wide format as narrow text and are only substituted for the unprefixed names.
#include <cstdio>
#include <cwchar>

#include "platform/format.h"

#ifdef _UCRT
#error "the format functions rely on msvcrt's legacy wide conversions"
#endif

namespace qiv::platform {

namespace {

// msvcrt's bounded functions neither terminate nor report the length when the
// text does not fit; both are settled here.
template <typename Char>
int Finish(Char* buffer, size_t capacity, int written) {
  if (written < 0 || static_cast<size_t>(written) >= capacity) {
    buffer[capacity - 1] = 0;
    return -1;
  }
  return written;
}

}  // namespace

int MeasureWide(const wchar_t* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int length = _vscwprintf(format, copy);
  va_end(copy);
  return length;
}

int MeasureNarrow(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int length = _vscprintf(format, copy);
  va_end(copy);
  return length;
}

int FormatWide(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args) {
  if (buffer == nullptr || capacity == 0) return -1;
  va_list copy;
  va_copy(copy, args);
  const int written = _vsnwprintf(buffer, capacity, format, copy);
  va_end(copy);
  return Finish(buffer, capacity, written);
}

int FormatNarrow(char* buffer, size_t capacity, const char* format, va_list args) {
  if (buffer == nullptr || capacity == 0) return -1;
  va_list copy;
  va_copy(copy, args);
  const int written = _vsnprintf(buffer, capacity, format, copy);
  va_end(copy);
  return Finish(buffer, capacity, written);
}

}  // namespace qiv::platform
