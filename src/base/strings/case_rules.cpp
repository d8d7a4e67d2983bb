#include "base/strings/case_rules.h"

namespace String {

std::string FoldKeyword(std::string text) {
  for (char& byte : text) byte = FoldKeywordByte(byte);
  return text;
}

bool EqualsKeyword(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldKeywordUnit(a[i]) != FoldKeywordUnit(b[i])) return false;
  }
  return true;
}

bool EqualsKeyword(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldKeywordByte(a[i]) != FoldKeywordByte(b[i])) return false;
  }
  return true;
}

bool StartsWithKeyword(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() &&
         EqualsKeyword(std::wstring_view(text.data(), prefix.size()), prefix);
}

std::wstring FoldFileName(const std::wstring& text) {
  std::wstring folded = text;
  for (wchar_t& unit : folded) {
    const unsigned value = static_cast<unsigned>(unit);
    if ((value >= 0x41 && value <= 0x5A) || (value >= 0xC0 && value <= 0xDE && value != 0xD7) ||
        (value >= 0x391 && value <= 0x3A9 && value != 0x3A2) ||
        (value >= 0x410 && value <= 0x42F)) {
      unit = static_cast<wchar_t>(value + 0x20);
    } else if (value >= 0x400 && value <= 0x40F) {
      unit = static_cast<wchar_t>(value + 0x50);
    }
  }
  return folded;
}

std::wstring FoldRegistryName(std::wstring_view text) {
  std::wstring folded(text);
  for (wchar_t& unit : folded) {
    if (unit == 0x0131) {
      unit = L'i';
    } else if (unit == 0x017F) {
      unit = L's';
    } else {
      unit = FoldKeywordUnit(unit);
    }
  }
  return folded;
}

}  // namespace String
