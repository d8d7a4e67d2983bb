#include "analytics/analytic_entry.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "analytics/analytic.h"
#include "analytics/analytic_delivery.h"
#include "platform/debug_capture.h"
#include "web/endpoints.h"
#include "web/web_service.h"

namespace {

std::vector<std::wstring> g_sentUrls;
bool g_sendResult = true;

bool RecordUrl(const String::_tstringW& url) {
  g_sentUrls.push_back(url);
  return g_sendResult;
}

// Each test starts with a fresh process record and a sender that records URLs.
class AnalyticDispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    CAnalytic::ResetInstanceForTesting();
    g_sentUrls.clear();
    g_sendResult = true;
    previous_ = analytics::SetCollectorSender(RecordUrl);
  }
  void TearDown() override {
    analytics::SetCollectorSender(previous_);
    CAnalytic::ResetInstanceForTesting();
  }

  static void Init() {
    InitAnalyticSession(L"gclid", L"trans", L"vendor", L"offer", L"V3.0.0.1", L"42", L"en US");
  }

  // The data parameter of the one URL sent, with its timestamp value blanked.
  static std::string SentData() {
    EXPECT_EQ(g_sentUrls.size(), 1u);
    if (g_sentUrls.empty()) return "";
    const std::wstring prefix =
        std::wstring(L"https://") + endpoints::CollectorHostName() + L"/quarn/?data=";
    const std::wstring& url = g_sentUrls.front();
    EXPECT_EQ(url.compare(0, prefix.size(), prefix), 0) << String::_tstringW(url).ToAnsi();
    std::string data = String::_tstringW(url.substr(prefix.size())).ToAnsi();
    return std::regex_replace(
        data, std::regex(R"("client_timestamp":"\d{2,4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{1,3}Z")"),
        "\"client_timestamp\":\"T\"");
  }

  analytics::CollectorSender previous_ = nullptr;
};

TEST(AnalyticListValue, WrapsEachTerminatedItem) {
  const std::pair<const char*, const char*> cases[] = {
      {"ab|cd|", "[\"ab\",\"cd\"]"},
      {"a||b|", "[\"a\",\"\",\"b\"]"},
      {"ab|cd", "[\"ab\"]"},
      {"|", "[\"\"]"},
      {"ab", "ab"},
      {"", ""},
  };
  for (const auto& [value, converted] : cases) {
    EXPECT_EQ(analytics::ConvertListValue(value), converted) << value;
  }
}

TEST(AnalyticSqueeze, DropsEveryWhitespaceByte) {
  EXPECT_EQ(analytics::SqueezeEventText("{\n\t\"a\" : \"en US\",\x0b\x0c\r\n\t\"b\\t\" : {}\n}"),
            L"{\"a\":\"enUS\",\"b\\t\":{}}");
}

TEST_F(AnalyticDispatch, AttributedEventCarriesListAndParametersInOrder) {
  Init();
  SetAnalyticParam("game_list", "ab|cd|", true);
  EXPECT_TRUE(DispatchAnalytic(Attributed, "qiv_uninstall_start", "installer_game", ""));
  EXPECT_EQ(SentData(),
            "{\"event\":\"qiv_uninstall_start\",\"client_timestamp\":\"T\",\"qivid\":\"42\","
            "\"qiv_session_id\":\"\",\"device_id\":\"" +
                CAnalytic::Instance().Attribute(AnalyticAttr::DeviceId) +
                "\",\"qiv_type\":\"xnb\",\"qiv_ver\":\"V3.0.0.1\",\"qiv_language\":\"enUS\","
                "\"qiv_last_game\":\"xnb\",\"game_list\":\"[\\\"ab\\\",\\\"cd\\\"]\","
                "\"installer_params\":{\"gclid\":\"gclid\",\"hoff_transaction_id\":\"trans\","
                "\"hoff_vendor_id\":\"vendor\",\"hoff_offer_id\":\"offer\"}}");
}

TEST_F(AnalyticDispatch, BasicEventHasExtraMemberAndNoParameters) {
  Init();
  g_sendResult = false;
  EXPECT_FALSE(DispatchAnalytic(Basic, "a/qiv_installer_finish/", "installer_game", "q\"x"));
  const std::string data = SentData();
  EXPECT_EQ(data.rfind("{\"event\":\"qiv_installer_finish\",\"installer_game\":\"q\\\"x\",", 0), 0u)
      << data;
  EXPECT_EQ(data.find("installer_params"), std::string::npos);
  // The GET percent-encodes the whole URL: the escaped quote travels as %5c%22.
  EXPECT_NE(UrlEncode(data).find("q%5c%22x"), std::string::npos);
  EXPECT_EQ(data.substr(data.size() - 22), "\"qiv_last_game\":\"xnb\"}");
}

TEST_F(AnalyticDispatch, InvalidTypeLogsItsLineAndKeepsPendingMembers) {
  Init();
  SetAnalyticParam("kept", "1", false);
  qiv::platform::DebugCapture capture;
  EXPECT_FALSE(DispatchAnalytic(2, "stage", "", ""));
  EXPECT_EQ(capture.Messages(),
            std::vector<std::wstring>{L"Unable to dispatch Analytic: Invalid event type[2]\n"});
  EXPECT_TRUE(g_sentUrls.empty());
  DispatchAnalytic(Basic, "stage", "", "");
  EXPECT_NE(SentData().find("\"kept\":\"1\""), std::string::npos);
}

TEST_F(AnalyticDispatch, BeforeInitNothingIsSentAndPendingMembersWait) {
  SetAnalyticParam("game_list", "ab|", true);
  qiv::platform::DebugCapture capture;
  EXPECT_FALSE(DispatchAnalytic(Attributed, "stage", "", ""));
  EXPECT_TRUE(g_sentUrls.empty());
  EXPECT_TRUE(capture.Messages().empty());
  Init();
  DispatchAnalytic(Attributed, "stage", "", "");
  EXPECT_NE(SentData().find("\"game_list\":\"[\\\"ab\\\"]\""), std::string::npos);
  g_sentUrls.clear();
  DispatchAnalytic(Attributed, "stage", "", "");
  EXPECT_EQ(SentData().find("game_list"), std::string::npos);
}

}  // namespace
