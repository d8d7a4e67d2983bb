#include "platform/posix/case_fold.h"

namespace qiv::posix {

wchar_t UpperCaseUnit(wchar_t unit) {
  const unsigned u = static_cast<unsigned>(unit);
  if (u >= 'a' && u <= 'z') return static_cast<wchar_t>(u - 0x20);
  if (u < 0xE0) return unit;
  if (u <= 0xFE) return u == 0xF7 ? unit : static_cast<wchar_t>(u - 0x20);
  if (u == 0xFF) return static_cast<wchar_t>(0x178);
  if (u == 0x3C2) return static_cast<wchar_t>(0x3A3);  // final sigma
  if (u >= 0x3B1 && u <= 0x3CB) return static_cast<wchar_t>(u - 0x20);
  if (u >= 0x430 && u <= 0x44F) return static_cast<wchar_t>(u - 0x20);
  if (u >= 0x450 && u <= 0x45F) return static_cast<wchar_t>(u - 0x50);
  return unit;
}

std::wstring UpperCase(std::wstring_view text) {
  std::wstring result(text);
  for (wchar_t& unit : result) unit = UpperCaseUnit(unit);
  return result;
}

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperCaseUnit(a[i]) != UpperCaseUnit(b[i])) return false;
  }
  return true;
}

}  // namespace qiv::posix
