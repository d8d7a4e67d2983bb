// A profile file edited as the profile functions edit it: what the program does not
// set keeps its bytes, and each file keeps its encoding. Runs on both builds.
#include "platform/profile_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qiv::platform::ProfileText;
using qiv::platform::ProfileValue;

std::string Utf16(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (const char byte : ascii) bytes += std::string{byte, '\0'};
  return bytes;
}

TEST(ProfileText, SetsKeysInPlaceAndKeepsEverythingElse) {
  const std::vector<ProfileValue> set = {{L"trans_id", L"T2"}, {L"gclid", L"G"}};
  const struct {
    const char* name;
    std::string before;
    std::string after;
  } cases[] = {
      {"new file", "", "[registered_from]\r\ntrans_id=T2\r\ngclid=G\r\n"},
      {"other sections, comments and case kept; a new key after the last line",
       "; client\r\n[Other]\r\ntrans_id=keep\r\n\r\n[REGISTERED_FROM]\r\n ; note\r\n"
       "  Trans_ID = T1 \r\nlogin_triggered=1\r\n\r\n[Later]\r\nx=1\r\n",
       "; client\r\n[Other]\r\ntrans_id=keep\r\n\r\n[REGISTERED_FROM]\r\n ; note\r\n"
       "Trans_ID=T2\r\nlogin_triggered=1\r\ngclid=G\r\n\r\n[Later]\r\nx=1\r\n"},
      {"first of two sections of the name counts", "[registered_from]\r\n[registered_from]\r\n",
       "[registered_from]\r\ntrans_id=T2\r\ngclid=G\r\n[registered_from]\r\n"},
      {"a section appended after a blank line, line feeds and no final line end kept",
       "[Other]\nx=1", "[Other]\nx=1\n\n[registered_from]\ntrans_id=T2\ngclid=G\n"},
      {"a last key line without a line end", "[registered_from]\ntrans_id=T1",
       "[registered_from]\ntrans_id=T2\ngclid=G\n"},
      {"UTF-8 with its byte order mark", "\xEF\xBB\xBF[registered_from]\r\ngclid=\xC3\xA9\r\n",
       "\xEF\xBB\xBF[registered_from]\r\ngclid=G\r\ntrans_id=T2\r\n"},
      {"UTF-16 with its byte order mark", Utf16("; c\r\n[registered_from]\r\ngclid=x\r\n"),
       Utf16("; c\r\n[registered_from]\r\ngclid=G\r\ntrans_id=T2\r\n")},
      {"bytes that are no text stay as they were", "[a]\r\nk=\x81\x8D\xFF\r\n",
       "[a]\r\nk=\x81\x8D\xFF\r\n\r\n[registered_from]\r\ntrans_id=T2\r\ngclid=G\r\n"},
  };
  for (const auto& testCase : cases) {
    SCOPED_TRACE(testCase.name);
    ProfileText text(testCase.before);
    for (const ProfileValue& value : set) text.Set(L"registered_from", value.key, value.value);
    EXPECT_EQ(text.Bytes(), testCase.after);
  }
}

}  // namespace
