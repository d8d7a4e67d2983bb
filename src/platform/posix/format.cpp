// glibc's wide printf reads %s as narrow text; the program's formats follow the
// Windows convention, so wide formats are rewritten to the standard spelling first.
#include "platform/format.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace qiv::platform {

namespace {

std::wstring ToStandardWideFormat(const wchar_t* format) {
  std::wstring out;
  for (const wchar_t* p = format; *p != 0;) {
    if (*p != L'%') {
      out.push_back(*p++);
      continue;
    }
    out.push_back(*p++);
    if (*p == L'%') {
      out.push_back(*p++);
      continue;
    }
    while (*p != 0 && std::wcschr(L"-+ #0123456789.*", *p) != nullptr) out.push_back(*p++);
    std::wstring length;
    while (*p != 0 && std::wcschr(L"hlLqjzt", *p) != nullptr) length.push_back(*p++);
    if (*p == L's' || *p == L'c') {
      if (length.empty()) {
        length = L"l";
      } else if (length == L"h") {
        length.clear();
      }
    } else if (*p == L'S' || *p == L'C') {
      // Windows: the opposite width of the function's own.
      out += length;
      out.push_back(*p == L'S' ? L's' : L'c');
      ++p;
      continue;
    }
    out += length;
    if (*p != 0) out.push_back(*p++);
  }
  return out;
}

}  // namespace

int MeasureWide(const wchar_t* format, va_list args) {
  std::wstring standard = ToStandardWideFormat(format);
  wchar_t* buffer = nullptr;
  size_t size = 0;
  FILE* stream = open_wmemstream(&buffer, &size);
  if (stream == nullptr) return -1;
  va_list copy;
  va_copy(copy, args);
  int written = std::vfwprintf(stream, standard.c_str(), copy);
  va_end(copy);
  std::fclose(stream);
  std::free(buffer);
  return written;
}

int MeasureNarrow(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  return length;
}

int FormatWide(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args) {
  if (buffer == nullptr || capacity == 0) return -1;
  std::wstring standard = ToStandardWideFormat(format);
  va_list copy;
  va_copy(copy, args);
  int written = std::vswprintf(buffer, capacity, standard.c_str(), copy);
  va_end(copy);
  buffer[capacity - 1] = 0;
  return written;
}

int FormatNarrow(char* buffer, size_t capacity, const char* format, va_list args) {
  if (buffer == nullptr || capacity == 0) return -1;
  va_list copy;
  va_copy(copy, args);
  int written = std::vsnprintf(buffer, capacity, format, copy);
  va_end(copy);
  // Text that did not fit is a failure, as in the wide function and on Windows.
  return written >= 0 && static_cast<size_t>(written) >= capacity ? -1 : written;
}

}  // namespace qiv::platform
