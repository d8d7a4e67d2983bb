// Trimming of blanks at either end of a text; each caller names the units it
// counts as blank (a space and a tab unless it says otherwise).
#pragma once

#include <string>
#include <string_view>

namespace String {

inline constexpr std::wstring_view kBlanks = L" \t";

inline bool IsBlank(wchar_t unit, std::wstring_view blanks) {
  return std::char_traits<wchar_t>::find(blanks.data(), blanks.size(), unit) != nullptr;
}

inline std::wstring_view TrimStart(std::wstring_view text, std::wstring_view blanks = kBlanks) {
  while (!text.empty() && IsBlank(text.front(), blanks)) text.remove_prefix(1);
  return text;
}

inline std::wstring_view TrimEnd(std::wstring_view text, std::wstring_view blanks = kBlanks) {
  while (!text.empty() && IsBlank(text.back(), blanks)) text.remove_suffix(1);
  return text;
}

// Both ends; out of line, as the program's readers call it in many places.
std::wstring_view Trim(std::wstring_view text, std::wstring_view blanks = kBlanks);

}  // namespace String
