// The three case rules and the trim, on both builds: each rule folds what it says
// and nothing more, so a name judged by one rule is never judged by another's.
#include "base/strings/case_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "base/strings/trim.h"

namespace {

struct FoldCase {
  const wchar_t* text;
  const wchar_t* keyword;
  const wchar_t* fileName;
  const wchar_t* registryName;
};

// A unit outside a rule stays as it is: the keyword rule leaves Latin-1, the file
// name rule leaves dotless i and long s, the registry rule leaves Latin-1.
const FoldCase kFolds[] = {
    {L"", L"", L"", L""},
    {L"AZaz09[@`{", L"azaz09[@`{", L"azaz09[@`{", L"azaz09[@`{"},
    {L"\u00c9T\u00c9\u00d7\u00de\u00df", L"\u00c9t\u00c9\u00d7\u00de\u00df",
     L"\u00e9t\u00e9\u00d7\u00fe\u00df", L"\u00c9t\u00c9\u00d7\u00de\u00df"},
    {L"\u0391\u03a2\u03a9\u0416\u0401", L"\u0391\u03a2\u03a9\u0416\u0401",
     L"\u03b1\u03a2\u03c9\u0436\u0451", L"\u0391\u03a2\u03a9\u0416\u0401"},
    {L"\u0131\u017fI", L"\u0131\u017fi", L"\u0131\u017fi", L"isi"},
};

TEST(CaseRulesTest, EachRuleFoldsItsOwnUnits) {
  for (const FoldCase& c : kFolds) {
    std::wstring keyword(c.text);
    for (wchar_t& unit : keyword) unit = String::FoldKeywordUnit(unit);
    EXPECT_EQ(keyword, c.keyword) << c.text;
    EXPECT_EQ(String::FoldFileName(c.text), c.fileName) << c.text;
    EXPECT_EQ(String::FoldRegistryName(c.text), c.registryName) << c.text;
  }
}

struct KeywordCase {
  const wchar_t* a;
  const wchar_t* b;
  bool equal;
  bool startsWith;  // a starts with b
};

const KeywordCase kKeywords[] = {
    {L"GameCustom", L"gamecustom", true, true},
    {L"UNC\\server", L"unc\\", false, true},
    // '|' is '\' with bit 5 set: a fold by "| 0x20" would take one for the other.
    {L"UNC|server", L"UNC\\", false, false},
    {L"@", L"`", false, false},
    {L"\u00c9", L"\u00e9", false, false},
    {L"One", L"OneDrive", false, false},
    {L"", L"", true, true},
};

TEST(CaseRulesTest, KeywordsCompareInAsciiOnly) {
  for (const KeywordCase& c : kKeywords) {
    EXPECT_EQ(String::EqualsKeyword(c.a, c.b), c.equal) << c.a << L" / " << c.b;
    EXPECT_EQ(String::StartsWithKeyword(c.a, c.b), c.startsWith) << c.a << L" / " << c.b;
  }
  EXPECT_TRUE(String::EqualsKeyword(std::string("HTTPS"), std::string("https")));
  EXPECT_FALSE(String::EqualsKeyword(std::string("https"), std::string("http")));
  EXPECT_EQ(String::FoldKeyword("Socks=Host:1080"), "socks=host:1080");
  EXPECT_TRUE(String::IsAsciiLetter(L'c') && String::IsAsciiLetter(L'Z'));
  EXPECT_FALSE(String::IsAsciiLetter(L'@') || String::IsAsciiLetter(L'[') ||
               String::IsAsciiLetter(L'\u0141'));
}

TEST(TrimTest, TrimsTheNamedBlanksAtBothEnds) {
  EXPECT_EQ(std::wstring(String::Trim(L" \t a b \t ")), L"a b");
  EXPECT_EQ(std::wstring(String::Trim(L" \t ")), L"");
  EXPECT_EQ(std::wstring(String::Trim(L"")), L"");
  EXPECT_EQ(std::wstring(String::Trim(L"\r\na\r\n")), L"\r\na\r\n");  // not blanks unless named
  EXPECT_EQ(std::wstring(String::Trim(L"\r a \f", L" \t\r\v\f")), L"a");
  EXPECT_EQ(std::wstring(String::TrimStart(L"  a  ")), L"a  ");
  EXPECT_EQ(std::wstring(String::TrimEnd(L"  a \r", L" \t\r")), L"  a");
  const std::wstring withZero(L" a\0b ", 5);
  EXPECT_EQ(std::wstring(String::Trim(withZero)), std::wstring(L"a\0b", 3));
}

}  // namespace
