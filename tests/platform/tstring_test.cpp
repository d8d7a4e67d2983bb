#include "platform/tstring.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ansi_code_page.h"

using String::_tstringA;
using String::_tstringW;

namespace {

std::wstring Units(std::initializer_list<unsigned> units) {
  std::wstring text;
  for (unsigned unit : units) text.push_back(static_cast<wchar_t>(unit));
  return text;
}

std::string Bytes(std::initializer_list<unsigned> bytes) {
  std::string text;
  for (unsigned byte : bytes) text.push_back(static_cast<char>(byte));
  return text;
}

}  // namespace

TEST(Utf8Encoder, EncodesEachUnitOnItsOwn) {
  struct Case {
    std::wstring input;
    std::string expected;
  } cases[] = {
      {L"abc", "abc"},
      {Units({0xE9}), Bytes({0xC3, 0xA9})},
      {Units({0x20AC}), Bytes({0xE2, 0x82, 0xAC})},
      {Units({0x7F, 0x80, 0x7FF, 0x800, 0xFFFF}),
       Bytes({0x7F, 0xC2, 0x80, 0xDF, 0xBF, 0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBF})},
      // A surrogate pair (U+1F600) is two three-byte sequences, not one four-byte one.
      {Units({0xD83D, 0xDE00}), Bytes({0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80})},
  };
  for (const Case& c : cases) {
    std::string out = "stale";
    String::WideToUtf8(c.input.c_str(), out);
    EXPECT_EQ(out, c.expected);
  }
  std::string out = "stale";
  String::WideToUtf8(nullptr, out);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(_tstringW().ToUtf8(), "");
}

TEST(Utf8Decoder, DecodesLeadBytesAndStopsWhereItMust) {
  struct Case {
    std::string input;
    std::wstring expected;
  } cases[] = {
      {"plain", L"plain"},
      {Bytes({0xC3, 0xA9}), Units({0xE9})},
      {Bytes({0xE2, 0x82, 0xAC}), Units({0x20AC})},
      // Stray continuation byte ends decoding; what came before is kept.
      {Bytes({0x61, 0x62, 0x80, 0x63}), L"ab"},
      {Bytes({0x61, 0xFE, 0x62}), L"a"},
      {Bytes({0x61, 0xFF}), L"a"},
      // Four-byte sequences keep only the low 16 bits of the code point.
      {Bytes({0xF0, 0x9F, 0x98, 0x80}), Units({0xF600})},
      // Continuation bytes are not checked for their 10xxxxxx pattern.
      {Bytes({0xC3, 0x41}), Units({0xC1})},
      // A sequence cut by the terminator is dropped without reading past it.
      {Bytes({0x61, 0xE2, 0x82}), L"a"},
      {Bytes({0xFC, 0x80}), L""},
  };
  for (const Case& c : cases) {
    std::wstring out = L"stale";
    String::Utf8ToWide(c.input.c_str(), out);
    EXPECT_EQ(out, c.expected) << "input size " << c.input.size();
  }
  std::wstring out = L"stale";
  String::Utf8ToWide(nullptr, out);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(_tstringW(L"x").AssignUtf8(Bytes({0xC3, 0xA9}).c_str()), Units({0xE9}));
}

TEST(Base64, DecodesLeniently) {
  struct Case {
    const char* input;
    std::string expected;
  } cases[] = {
      {"QUJD", "ABC"},
      {"QQ==", "A"},
      {"QU JD", "ABC"},
      {"QUJ", "AB"},
      {"Q", ""},
      {"", ""},
      {"QQ==QUJD", "A\x04\x14$"},  // a padding sign inside does not end decoding
      {"\xC3QUJD", "ABC"},
      {"+/+/", "\xFB\xFF\xBF"},
  };
  for (const Case& c : cases) {
    std::string out = "stale";
    String::Base64Decode(c.input, out);
    EXPECT_EQ(out, c.expected) << c.input;
  }
  std::string out = "stale";
  String::Base64Decode(nullptr, out);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(_tstringA().AssignBase64("QUJD"), "ABC");
}

TEST(CheckFormat, CountsConversions) {
  struct Case {
    int expected;
    const char* format;
    bool result;
  } cases[] = {
      {1, "%s", true},
      {1, "%s %s", false},
      {2, "%s %s", true},
      {0, "%%", true},
      {0, "100%", false},
      {1, "%d%", false},
      {0, "a%%", true},
      {1, "%*d", true},
      {0, "", false},
      {0, "plain", true},
      {7, "%02d-%02d-%02dT%02d:%02d:%02d.%dZ", true},
      {1, "%%%d", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(String::CheckFormat(c.expected, c.format), c.result) << c.format;
    std::wstring wide(c.format, c.format + std::char_traits<char>::length(c.format));
    EXPECT_EQ(String::CheckFormat(c.expected, wide.c_str()), c.result) << c.format;
  }
  EXPECT_FALSE(String::CheckFormat(0, static_cast<const char*>(nullptr)));
  EXPECT_FALSE(String::CheckFormat(0, static_cast<const wchar_t*>(nullptr)));
}

TEST(Format, WideTakesWideTextAndRefusesMismatchedCounts) {
  _tstringW text(L"old");
  text.Format(1, L"refer_id=qivinstall%s", L"complete");
  EXPECT_EQ(text, L"refer_id=qivinstallcomplete");

  text.Format(2, L"/aff_goal?a=lsr&goal_id=%s&transaction_id=%s", L"7", L"tx");
  EXPECT_EQ(text, L"/aff_goal?a=lsr&goal_id=7&transaction_id=tx");

  text.Format(1, L"Unable to dispatch Analytic: Invalid event type[%d]\n", 2);
  EXPECT_EQ(text, L"Unable to dispatch Analytic: Invalid event type[2]\n");

  const std::wstring nonAscii = Units({0xE9, 0x20AC, 0xD83D, 0xDE00});
  text.Format(1, L"[%s]", nonAscii.c_str());
  EXPECT_EQ(text, L"[" + nonAscii + L"]");

  text.Format(1, L"%s %s", L"a", L"b");
  EXPECT_TRUE(text.empty());
  text = L"old";
  text.Format(0, L"%%");
  EXPECT_EQ(text, L"%");
  text.Format(0, L"ends in %");
  EXPECT_TRUE(text.empty());
  text = L"old";
  text.Format(1, L"%s", L"");
  EXPECT_TRUE(text.empty());
}

TEST(Format, NarrowFormatsThroughTheAnsiCodePage) {
  _tstringW text;
  text.Format(7, "%02d-%02d-%02dT%02d:%02d:%02d.%dZ", 2024, 3, 5, 7, 8, 9, 45);
  EXPECT_EQ(text, L"2024-03-05T07:08:09.45Z");
  text.Format(7, "%02d-%02d-%02dT%02d:%02d:%02d.%dZ", 2024, 12, 31, 23, 59, 59, 0);
  EXPECT_EQ(text, L"2024-12-31T23:59:59.0Z");
  text.Format(1, "%s", "a", "b");
  EXPECT_EQ(text, L"a");
  text.Format(2, "%s");
  EXPECT_TRUE(text.empty());
}

TEST(WideMembers, LeftRightFindReverseFind) {
  const _tstringW text(L"abcabc");
  EXPECT_EQ(text.Left(2), L"ab");
  EXPECT_EQ(text.Left(6), L"abcabc");
  EXPECT_EQ(text.Left(99), L"abcabc");
  EXPECT_EQ(text.Right(2), L"bc");
  EXPECT_EQ(text.Right(0), L"");
  EXPECT_EQ(text.Right(99), L"abcabc");

  EXPECT_EQ(text.Find(L'c'), 2);
  EXPECT_EQ(text.Find(L'c', 3), 5);
  EXPECT_EQ(text.Find(L'x'), -1);
  EXPECT_EQ(text.Find(L'a', 7), -1);
  EXPECT_EQ(text.Find(L'a', 6), -1);
  EXPECT_EQ(text.Find(L"ca"), 2);
  EXPECT_EQ(text.Find(L"bc", 2), 4);
  EXPECT_EQ(text.Find(L"", 6), 6);
  EXPECT_EQ(text.Find(L"a", 6), -1);
  EXPECT_EQ(text.Find(L"", 7), -1);

  EXPECT_EQ(text.ReverseFind(L'a'), 3);
  EXPECT_EQ(text.ReverseFind(L'x'), -1);
  EXPECT_EQ(_tstringW().ReverseFind(L'a'), -1);

  const _tstringA narrow("xyz");
  EXPECT_EQ(narrow.Right(1), "z");
  EXPECT_EQ(narrow.Right(5), "xyz");
  EXPECT_EQ(narrow.Find('z'), 2);
  EXPECT_EQ(narrow.Find('z', 4), -1);
}

TEST(WideMembers, CaseFoldingIsAsciiOnly) {
  EXPECT_EQ(_tstringW(L"UninstallGames").CompareNoCase(L"uninstallgames"), 0);
  EXPECT_EQ(_tstringW(L"UNINSTALLSOFTWARE").CompareNoCase(L"UninstallSoftware"), 0);
  EXPECT_NE(_tstringW(Units({0xC9})).CompareNoCase(Units({0xE9})), 0);
  EXPECT_LT(_tstringW(L"a").CompareNoCase(L"B"), 0);
  EXPECT_GT(_tstringW(L"b").CompareNoCase(L"A"), 0);
  _tstringW mixed(L"AZ[@`az" + Units({0xC0}));
  EXPECT_EQ(mixed.MakeLower(), L"az[@`az" + Units({0xC0}));
}

TEST(WideMembers, NullAndSelfAssignment) {
  _tstringW text(static_cast<const wchar_t*>(nullptr));
  EXPECT_TRUE(text.empty());
  EXPECT_TRUE(_tstringW(static_cast<const char*>(nullptr)).empty());
  text = L"kept";
  const _tstringW& alias = text;
  text = alias;
  EXPECT_EQ(text, L"kept");
  text = static_cast<const char*>(nullptr);
  EXPECT_TRUE(text.empty());
  text = L"x";
  text = static_cast<const wchar_t*>(nullptr);
  EXPECT_TRUE(text.empty());
  EXPECT_TRUE(_tstringA(nullptr).empty());
}

class AnsiCodePage1252 : public ::testing::Test {
 protected:
  qiv::testing::ScopedAnsiCodePage codePage_{"CP1252"};
};

TEST_F(AnsiCodePage1252, ConvertsBothWays) {
  if (!codePage_.active()) GTEST_SKIP() << "the system code page is not 1252";
  const std::string ansi = Bytes({'c', 'a', 'f', 0xE9, ' ', 0x80});
  const std::wstring wide = L"caf" + Units({0xE9}) + L" " + Units({0x20AC});
  EXPECT_EQ(_tstringW(ansi.c_str()), wide);
  EXPECT_EQ(_tstringW(ansi), wide);
  EXPECT_EQ(_tstringW(wide).ToAnsi(), ansi);
  // Not in the code page: the platform's replacement, never an error.
  EXPECT_EQ(_tstringW(Units({0x4E2D, 'a'})).ToAnsi(), "?a");
  EXPECT_EQ(_tstringW(wide).ToUtf8(), Bytes({'c', 'a', 'f', 0xC3, 0xA9, ' ', 0xE2, 0x82, 0xAC}));
}

TEST_F(AnsiCodePage1252, NarrowFormatResultIsConvertedFromAnsi) {
  if (!codePage_.active()) GTEST_SKIP() << "the system code page is not 1252";
  _tstringW text;
  text.Format(1, "%s", Bytes({0xE9}).c_str());
  EXPECT_EQ(text, Units({0xE9}));
}

#ifndef _WIN32
TEST(AnsiCodePageUtf8, ReplacesUndecodableBytes) {
  qiv::testing::ScopedAnsiCodePage codePage("UTF-8");
  EXPECT_EQ(_tstringW(Bytes({0xC3, 0xA9}).c_str()), Units({0xE9}));
  EXPECT_EQ(_tstringW(Bytes({'a', 0xFF, 'b'}).c_str()), L"a" + Units({0xFFFD}) + L"b");
  EXPECT_EQ(_tstringW(Units({0x20AC})).ToAnsi(), Bytes({0xE2, 0x82, 0xAC}));
  // Three bytes for each unit: more than twice the length must still fit.
  EXPECT_EQ(_tstringW(Units({0x4E2D, 0x6587, 0x5B57})).ToAnsi(),
            Bytes({0xE4, 0xB8, 0xAD, 0xE6, 0x96, 0x87, 0xE5, 0xAD, 0x97}));
  // A lone surrogate has no UTF-8 form in the code page.
  EXPECT_EQ(_tstringW(Units({'a', 0xD800})).ToAnsi(), "a?");
}
#endif
