#include "analytics/analytic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/json/json.h"

namespace {

std::vector<std::string> Names(const json::Object& object) {
  std::vector<std::string> names;
  for (const json::Object::Member& member : object) names.push_back(member.name);
  return names;
}

std::string Value(const json::Object& object, const std::string& name) {
  auto member = object.FindMember(name);
  if (member == object.end()) return "<missing>";
  const json::String* text = member->element.As<json::String>();
  return text != nullptr ? text->Value() : "<not a string>";
}

// Vendor id and offer id are given in this order and land crossed over.
CAnalytic InitialisedRecord() {
  CAnalytic record;
  record.Init(L"gclid-value", L"transaction", L"vendor", L"offer", L"V3.1.0.7", L"qiv-42",
              L"en US");
  return record;
}

TEST(AnalyticTimestamp, FormatsLocalTimeWithUnpaddedMilliseconds) {
  struct Case {
    SYSTEMTIME time;
    const char* text;
  };
  const Case cases[] = {
      {{2024, 12, 2, 31, 23, 59, 59, 0}, "2024-12-31T23:59:59.0Z"},
      {{2024, 3, 2, 5, 7, 8, 9, 45}, "2024-03-05T07:08:09.45Z"},
      {{2025, 1, 3, 1, 0, 0, 0, 7}, "2025-01-01T00:00:00.7Z"},
      {{2025, 1, 3, 1, 0, 0, 0, 999}, "2025-01-01T00:00:00.999Z"},
  };
  for (const Case& c : cases) EXPECT_EQ(CAnalytic::FormatTimestamp(c.time), c.text);
}

TEST(AnalyticEventName, KeepsTheLastPathSegment) {
  const std::pair<const char*, const char*> cases[] = {
      {"qiv_uninstall_start", "qiv_uninstall_start"},
      {"a/b/qiv_uninstall_start/?", "qiv_uninstall_start"},
      {"name \\?", "name"},
      {"dir\\name", "dir\\name"},
      {"/?", "?"},
      {"", ""},
  };
  for (const auto& [raw, normalised] : cases) {
    EXPECT_EQ(CAnalytic::NormalizeEventName(raw), normalised) << raw;
  }
}

TEST(AnalyticEvent, AttributedEventHasTheStandardOrderAndNestedParameters) {
  CAnalytic record = InitialisedRecord();
  record.SetParam("zeta", "last");
  record.SetParam("game_list", "[\"ab\"]");
  json::Object event = record.BuildEvent("qiv_uninstall_start", "xnb", "installer_game", "", true);
  EXPECT_EQ(Names(event),
            (std::vector<std::string>{"event", "client_timestamp", "qivid", "qiv_session_id",
                                      "device_id", "qiv_type", "qiv_ver", "qiv_language",
                                      "qiv_last_game", "game_list", "zeta", "installer_params"}));
  EXPECT_EQ(Value(event, "event"), "qiv_uninstall_start");
  EXPECT_EQ(Value(event, "qivid"), "qiv-42");
  EXPECT_EQ(Value(event, "qiv_session_id"), "");
  EXPECT_EQ(Value(event, "qiv_type"), "xnb");
  EXPECT_EQ(Value(event, "qiv_ver"), "V3.1.0.7");
  EXPECT_EQ(Value(event, "qiv_language"), "en US");
  EXPECT_EQ(Value(event, "game_list"), "[\"ab\"]");

  const json::Object* params = event.FindMember("installer_params")->element.As<json::Object>();
  ASSERT_NE(params, nullptr);
  EXPECT_EQ(Names(*params), (std::vector<std::string>{"gclid", "hoff_transaction_id",
                                                      "hoff_vendor_id", "hoff_offer_id"}));
  EXPECT_EQ(Value(*params, "gclid"), "gclid-value");
  EXPECT_EQ(Value(*params, "hoff_vendor_id"), "vendor");
  EXPECT_EQ(Value(*params, "hoff_offer_id"), "offer");
}

TEST(AnalyticEvent, ConditionalMembersFollowTheirValues) {
  CAnalytic record = InitialisedRecord();
  // Empty extra value: no extra member, whatever the key; empty last game: none.
  json::Object plain = record.BuildEvent("stage", "", "installer_game", "", false);
  EXPECT_EQ(Names(plain),
            (std::vector<std::string>{"event", "client_timestamp", "qivid", "qiv_session_id",
                                      "device_id", "qiv_type", "qiv_ver", "qiv_language"}));
  // An empty extra key is used as it is.
  json::Object emptyKey = record.BuildEvent("stage", "", "", "value", false);
  EXPECT_EQ(Names(emptyKey)[1], "");
  EXPECT_EQ(Value(emptyKey, ""), "value");
}

TEST(AnalyticEvent, ExtraKeyNamedLikeAStandardMemberKeepsSlotTwoAndTheStandardValue) {
  CAnalytic record = InitialisedRecord();
  json::Object event = record.BuildEvent("stage", "", "device_id", "spoofed", false);
  EXPECT_EQ(Names(event)[1], "device_id");
  EXPECT_EQ(event.Size(), 8u);
  EXPECT_EQ(Value(event, "device_id"), record.Attribute(AnalyticAttr::DeviceId));
}

TEST(AnalyticEvent, PendingMembersGoOutOnceWithTheLatestValue) {
  CAnalytic record;
  record.SetParam("game_list", "first");
  record.SetParam("game_list", "second");
  record.Init(L"", L"", L"", L"", L"", L"", L"");
  EXPECT_EQ(Value(record.BuildEvent("one", "", "", "", false), "game_list"), "second");
  EXPECT_EQ(Value(record.BuildEvent("two", "", "", "", false), "game_list"), "<missing>");
}

TEST(AnalyticInit, OnlyTheFirstCallCounts) {
  CAnalytic record = InitialisedRecord();
  EXPECT_TRUE(record.IsInitialized());
  EXPECT_TRUE(record.Init(L"x", L"x", L"x", L"x", L"x", L"x", L"x"));
  EXPECT_EQ(record.Attribute(AnalyticAttr::QivId), "qiv-42");
  EXPECT_EQ(record.Attribute(AnalyticAttr::InstallerParams), "gclid-value");
  EXPECT_EQ(record.Attribute(AnalyticAttr::SessionId), "");
  EXPECT_FALSE(CAnalytic().IsInitialized());
}

TEST(AnalyticInit, RecordsWhetherInstallerParametersLookLikeBase64) {
  const std::pair<const char*, bool> cases[] = {
      {"QUJD", true}, {"QQ==", true}, {"a+/9", true},  {"", false},
      {"qiv", false}, {"QUJ", false}, {"QU D", false}, {"QU-D", false},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(CAnalytic::LooksLikeBase64(text), expected) << text;
  }
  CAnalytic record;
  record.Init(L"QUJD", L"", L"", L"", L"", L"", L"");
  EXPECT_TRUE(record.InstallerParamsLookLikeBase64());
}

}  // namespace
