// Case-insensitive comparison of registry and profile names, close enough to the
// Windows upper-case table for the names the program meets: ASCII, Latin-1, basic
// Greek and Cyrillic. Windows sorts registry subkeys by their upper-cased names.
#pragma once

#include <string>
#include <string_view>

namespace qiv::posix {

wchar_t UpperCaseUnit(wchar_t unit);
std::wstring UpperCase(std::wstring_view text);
bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b);

}  // namespace qiv::posix
