// Multipart form posts: part order, encoding, and the always-on certificate check.
#include <curl/curl.h>

#include "web/net_fixture.h"

namespace qiv::testing {
namespace {

class FormServiceTest : public NetTest {};

TEST_F(FormServiceTest, PartsGoOutInNameOrderAsUtf8) {
  FormFields fields;
  fields[L"zeta"].value = L"last";
  fields[L"\u00e9t\u00e9"].value = L"after every ASCII name";
  fields[L"Mid"].value = L"caf\u00e9 \u20ac\r\nline two";
  fields[L"alpha"].value = L"";
  Servers().Reply(kSite, "/feedback", 200, "thanks");
  EXPECT_TRUE(service.PostFormService(Wide(SiteUrl("/feedback")), L"sid=1", &fields, 5, 5));
  const ServerRecords records = Records(kSite);
  ASSERT_EQ(records.requests.size(), 1u);
  EXPECT_EQ(records.requests[0].method, "POST");
  using Parts = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(records.requests[0].parts, (Parts{{"Mid", "caf\xc3\xa9 \xe2\x82\xac\r\nline two"},
                                              {"alpha", ""},
                                              {"zeta", "last"},
                                              {"\xc3\xa9t\xc3\xa9", "after every ASCII name"}}));
  EXPECT_TRUE(capture.Messages().empty());
}

TEST_F(FormServiceTest, QaHostIsStillVerifiedAndRefused) {
  FormFields fields;
  fields[L"a"].value = L"1";
  EXPECT_FALSE(service.PostFormService(Wide(QaUrl("/feedback")), L"", &fields, 5, 5));
  EXPECT_EQ(Records(kQaSite).requests.size(), 0u);
  const std::wstring line = L"CWebService::PostFormService, curl error: " +
                            std::wstring(Wide(curl_easy_strerror(CURLE_PEER_FAILED_VERIFICATION))) +
                            L"\n";
  EXPECT_EQ(capture.Messages(), std::vector<std::wstring>{line});
}

TEST_F(FormServiceTest, NothingToSendIsRefusedSilently) {
  FormFields empty;
  FormFields fields;
  fields[L"a"].value = L"1";
  EXPECT_FALSE(service.PostFormService(Wide(SiteUrl("/f")), L"", &empty, 5, 5));
  EXPECT_FALSE(service.PostFormService(Wide(SiteUrl("/f")), L"", nullptr, 5, 5));
  EXPECT_FALSE(service.PostFormService(L"", L"", &fields, 5, 5));
  EXPECT_EQ(Records(kSite).connections, 0);
  EXPECT_TRUE(capture.Messages().empty());
}

TEST_F(FormServiceTest, ServerErrorCompletes) {
  FormFields fields;
  fields[L"a"].value = L"1";
  Servers().Reply(kPlain, "/f", 503, "busy");
  ::testing::internal::CaptureStdout();
  EXPECT_TRUE(service.PostFormService(Wide(PlainUrl("/f")), L"", &fields, 5, 5));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << "the answer is dropped, not printed";
}

}  // namespace
}  // namespace qiv::testing
