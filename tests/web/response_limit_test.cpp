// Answers at and past the size limit, on the wire: kept, refused, or discarded.
#include <curl/curl.h>

#include <string>
#include <vector>

#include "web/net_fixture.h"
#include "web/response_limit.h"

namespace qiv::testing {
namespace {

class ResponseLimitTest : public NetTest {};

TEST_F(ResponseLimitTest, AnAnswerPastTheLimitFailsEveryKindOfRequest) {
  const std::string atLimit(web::kMaxResponseBytes, 'a');
  const std::wstring writeError = Wide(curl_easy_strerror(CURLE_WRITE_ERROR));
  for (const bool past : {false, true}) {
    const std::string body = past ? atLimit + "b" : atLimit;
    for (const char* path : {"/kept", "/dropped", "/form"}) Servers().Reply(kSite, path, 200, body);
    capture.Clear();

    ServiceResponse kept;
    EXPECT_EQ(service.GetService(Wide(SiteUrl("/kept")), L"", L"", &kept, 5, 5), !past);
    // A refused answer leaves nothing that could be read as one.
    EXPECT_EQ(kept.body, past ? "" : body);
    EXPECT_EQ(service.GetService(Wide(SiteUrl("/dropped")), L"", L"", nullptr, 5, 5), !past);
    FormFields fields;
    fields[L"a"].value = L"1";
    EXPECT_EQ(service.PostFormService(Wide(SiteUrl("/form")), L"", &fields, 5, 5), !past);

    const std::vector<std::wstring> expected =
        past ? std::vector<std::wstring>{L"CWebService::FieldService, curl error: " + writeError +
                                             L" URL=" + Wide(SiteUrl("/kept")) + L"\n",
                                         L"CWebService::FieldService, curl error: " + writeError +
                                             L" URL=" + Wide(SiteUrl("/dropped")) + L"\n",
                                         L"CWebService::PostFormService, curl error: " +
                                             writeError + L"\n"}
             : std::vector<std::wstring>{};
    EXPECT_EQ(capture.Messages(), expected) << (past ? "past the limit" : "at the limit");
  }
}

}  // namespace
}  // namespace qiv::testing
