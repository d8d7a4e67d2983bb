// ExpandEnvironmentStringsW as the program relies on it; both builds run the table,
// so the stand-in is held to what Windows does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/win32.h"

namespace {

void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name, value);
#else
  setenv(name, value, 1);
#endif
}

TEST(EnvironmentExpansion, ReferencesAreReplacedAndUnknownOnesKept) {
  SetVariable("QIV_EXPAND_ONE", "C:\\Users\\Ann");
  SetVariable("QIV_EXPAND_TWO", "D:");
  const struct {
    const wchar_t* text;
    const wchar_t* expanded;
  } corpus[] = {
      {L"%QIV_EXPAND_ONE%\\Music", L"C:\\Users\\Ann\\Music"},
      {L"%qiv_expand_two%\\Games", L"D:\\Games"},
      {L"%QIV_EXPAND_TWO%%QIV_EXPAND_ONE%", L"D:C:\\Users\\Ann"},
      {L"%QIV_EXPAND_NONE%\\x", L"%QIV_EXPAND_NONE%\\x"},
      {L"100% sure", L"100% sure"},
      {L"%QIV_EXPAND_NONE%QIV_EXPAND_TWO%", L"%QIV_EXPAND_NONE%QIV_EXPAND_TWO%"},
      {L"%%", L"%%"},
      {L"", L""},
  };
  for (const auto& entry : corpus) {
    wchar_t buffer[256] = {};
    const DWORD needed = ExpandEnvironmentStringsW(entry.text, buffer, 256);
    EXPECT_EQ(std::wstring(buffer), entry.expanded) << testing::PrintToString(entry.text);
    EXPECT_EQ(needed, std::wstring(entry.expanded).size() + 1);
  }
  wchar_t small[4] = {};
  EXPECT_EQ(ExpandEnvironmentStringsW(L"%QIV_EXPAND_ONE%", small, 4), 13u);
}

}  // namespace
