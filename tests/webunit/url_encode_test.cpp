#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "web/endpoints.h"
#include "web/web_service.h"

namespace {

TEST(UrlEncodeTest, EncodesEveryByteOutsideTheKeptSet) {
  const struct {
    std::string input;
    std::string expected;
  } cases[] = {
      {"", ""},
      {"AZaz09.-_=&/?:;+$,@", "AZaz09.-_=&/?:;+$,@"},
      {"a b", "a%20b"},
      {"\n\r\t", "%0a%0d%09"},
      {"\"%#'<>\\^`{|}~!*()[]", "%22%25%23%27%3c%3e%5c%5e%60%7b%7c%7d%7e%21%2a%28%29%5b%5d"},
      {"caf\xe9", "caf%e9"},
      {"\xc3\xa9\xff\x80", "%c3%a9%ff%80"},
      {std::string("nul\0x", 5), "nul%00x"},
      {"100%25", "100%2525"},  // already-encoded text is encoded again
  };
  for (const auto& c : cases) EXPECT_EQ(UrlEncode(c.input), c.expected) << c.input;
}

TEST(IsQaHostTest, EitherSuffixEndingTheHostCaseSensitive) {
  const std::wstring first = endpoints::QaHostSuffix(0);
  const std::wstring second = endpoints::QaHostSuffix(1);
  std::wstring upper = first;
  for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
  const struct {
    std::wstring url;
    bool qa;
  } cases[] = {
      {L"https://www" + first + L"/x", true},
      {L"http://tracking" + second + L":80/", true},
      {L"https://user:pw@www" + first + L"/", true},
      {L"www" + first + L"/no-scheme", true},
      {L"https://www.vantor.example/", false},
      {L"https://www" + upper + L"/", false},
      {L"", false},
      // The suffix anywhere but at the end of the host is data, not a QA host.
      {L"https://a.example/?next=www" + first, false},
      {L"https://a.example/quarn/?data={\"installer_game\":\"x" + first + L"\"}", false},
      {L"https://a.example/www" + first + L"/", false},
      {L"https://a.example#www" + first, false},
      {L"https://www" + first + L"@a.example/", false},
      {L"https://www" + first + L".a.example/", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CWebService::IsQaHost(c.url), c.qa) << String::_tstringW(c.url).ToUtf8();
  }
}

}  // namespace
