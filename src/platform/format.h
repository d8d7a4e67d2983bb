// printf-style formatting with the Windows conventions the program's formats use:
// in a wide format %s and %c take wide text, %hs and %hc narrow text.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace qiv::platform {

// Counting passes: the formatted length without the terminator, negative on failure.
int MeasureWide(const wchar_t* format, va_list args);
int MeasureNarrow(const char* format, va_list args);

// Format into a buffer of `capacity` units, truncating and always terminating.
// Returns the number of units written, negative on failure.
int FormatWide(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args);
int FormatNarrow(char* buffer, size_t capacity, const char* format, va_list args);

}  // namespace qiv::platform
