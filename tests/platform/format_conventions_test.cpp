// The printf conventions both platform layers share: Windows' reading of %s in a
// wide format, and bounded output that is always terminated.
#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

#include "platform/format.h"

namespace {

using qiv::platform::FormatNarrow;
using qiv::platform::FormatWide;
using qiv::platform::MeasureNarrow;
using qiv::platform::MeasureWide;

int MeasureW(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const int length = MeasureWide(format, args);
  va_end(args);
  return length;
}

int FormatW(wchar_t* buffer, size_t capacity, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const int written = FormatWide(buffer, capacity, format, args);
  va_end(args);
  return written;
}

int MeasureA(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int length = MeasureNarrow(format, args);
  va_end(args);
  return length;
}

int FormatA(char* buffer, size_t capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int written = FormatNarrow(buffer, capacity, format, args);
  va_end(args);
  return written;
}

TEST(FormatConventions, WideFormatsReadTextArgumentsTheWindowsWay) {
  struct Case {
    const wchar_t* format;
    std::wstring expected;
  };
  wchar_t buffer[64];
  // Each case passes the same three arguments: wide text, narrow text, a wide unit.
  const Case cases[] = {
      {L"%s|%hs|%c", L"w\u00e9|narrow|x"},
      {L"[%5s]", L"[   w\u00e9]"},
      {L"%ls+%hs", L"w\u00e9+narrow"},
      {L"%-4s.", L"w\u00e9  ."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "expected length " << c.expected.size());
    const int length = MeasureW(c.format, L"w\u00e9", "narrow", L'x');
    ASSERT_EQ(length, static_cast<int>(c.expected.size()));
    EXPECT_EQ(FormatW(buffer, 64, c.format, L"w\u00e9", "narrow", L'x'), length);
    EXPECT_EQ(std::wstring(buffer), c.expected);
  }
}

TEST(FormatConventions, BoundedOutputIsTerminatedAndReportsWhatDidNotFit) {
  wchar_t wide[6];
  EXPECT_EQ(FormatW(wide, 6, L"%s", L"abcde"), 5);  // exactly fits with the terminator
  EXPECT_EQ(std::wstring(wide), L"abcde");
  EXPECT_LT(FormatW(wide, 6, L"%s", L"abcdef"), 0);
  EXPECT_EQ(wide[5], L'\0');
  EXPECT_EQ(std::wstring(wide), L"abcde");
  EXPECT_LT(FormatW(wide, 0, L"x"), 0);
  EXPECT_LT(FormatW(nullptr, 6, L"x"), 0);

  char narrow[4];
  EXPECT_EQ(MeasureA("%d-%s", 42, "ab"), 5);
  EXPECT_EQ(FormatA(narrow, 4, "%s", "abc"), 3);
  EXPECT_EQ(std::string(narrow), "abc");
  EXPECT_LT(FormatA(narrow, 4, "%d-%s", 42, "ab"), 0);
  EXPECT_EQ(std::string(narrow), "42-");
  EXPECT_LT(FormatA(narrow, 0, "x"), 0);
}

}  // namespace
