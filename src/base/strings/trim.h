// Trimming of blanks at either end of a text; each caller names the units it
// counts as blank (a space and a tab unless it says otherwise).
#pragma once

#include <string_view>

namespace String {

inline constexpr std::wstring_view kBlanks = L" \t";

inline std::wstring_view TrimStart(std::wstring_view text, std::wstring_view blanks = kBlanks) {
  const size_t first = text.find_first_not_of(blanks);
  return first == std::wstring_view::npos ? std::wstring_view() : text.substr(first);
}

inline std::wstring_view TrimEnd(std::wstring_view text, std::wstring_view blanks = kBlanks) {
  const size_t last = text.find_last_not_of(blanks);
  return last == std::wstring_view::npos ? std::wstring_view() : text.substr(0, last + 1);
}

inline std::wstring_view Trim(std::wstring_view text, std::wstring_view blanks = kBlanks) {
  return TrimEnd(TrimStart(text, blanks), blanks);
}

}  // namespace String
