// The installer's funnel: at each stage look up the affiliate goal, report the
// conversion, send the stage's event, and at the last stage store the attribution
// for the uninstaller.
#include <string>
#include <utility>

#include "analytics/analytic_entry.h"
#include "analytics/attribution_file.h"
#include "analytics/build_version.h"
#include "commands/post_install_event.h"
#include "platform/win32.h"
#include "removal/delete/held_profile_update.h"
#include "web/endpoints.h"
#include "web/goal_response.h"
#include "web/web_service.h"

namespace {

constexpr int kTrackingAttempts = 5;
constexpr DWORD kTrackingPauseMs = 1000;
constexpr char kTrackingSuccess[] = "success=true;";

struct StageEvent {
  const wchar_t* stage;
  const wchar_t* eventName;
};

constexpr StageEvent kStageEvents[] = {
    {L"start", L"qiv_installer_start"},      {L"eula", L"qiv_installer_eula"},
    {L"path", L"qiv_installer_select_path"}, {L"ready", L"qiv_installer_ready"},
    {L"complete", L"qiv_installer_finish"},
};

bool IsWord(const String::_tstringW& text, const wchar_t* word) {
  return text.CompareNoCase(String::_tstringW(word)) == 0;
}

// The event of a stage, or null for a word outside the funnel.
const wchar_t* StageEventName(const String::_tstringW& stage) {
  for (const StageEvent& entry : kStageEvents) {
    if (IsWord(stage, entry.stage)) return entry.eventName;
  }
  return nullptr;
}

// The goal the web site assigns to this stage and offer, or empty.
String::_tstringW LookUpGoal(CWebService& service, const String::_tstringW& stage,
                             const String::_tstringW& offerId) {
  String::_tstringW lookup;
  lookup.Format(1, L"refer_id=qivinstall%s", stage.c_str());
  const String::_tstringW url = String::_tstringW(L"https://") + endpoints::SiteHostName() +
                                L"/en/api/get-goal-by-reference-id";
  ServiceResponse response;
  service.PostService(url, String::_tstringW(), lookup, &response, kRequestTimeoutSeconds,
                      kConnectTimeoutSeconds);
  String::_tstringW goalId;
  ParseGoalResponse(response.body, offerId, goalId);
  return goalId;
}

// Reports the conversion until the tracker confirms it, pausing after every attempt.
void ReportConversion(CWebService& service, const String::_tstringW& goalId,
                      const String::_tstringW& transactionId) {
  const String::_tstringW format = String::_tstringW(L"http://") + endpoints::TrackingHostName() +
                                   L"/aff_goal?a=lsr&goal_id=%s&transaction_id=%s";
  String::_tstringW url;
  url.Format(2, format.c_str(), goalId.c_str(), transactionId.c_str());
  for (int attempt = 0; attempt < kTrackingAttempts; ++attempt) {
    ServiceResponse response;
    service.GetService(url, String::_tstringW(), String::_tstringW(), &response,
                       kRequestTimeoutSeconds, kConnectTimeoutSeconds);
    Sleep(kTrackingPauseMs);
    if (response.body == kTrackingSuccess) return;
  }
}

}  // namespace

void ReportPostInstallEvent(String::_tstringW stage, String::_tstringW registerIniPath,
                            String::_tstringW transactionId, String::_tstringW offerId,
                            String::_tstringW vendorId, String::_tstringW region,
                            String::_tstringW gameAbbr, String::_tstringW gclid) {
  const Attribution values{std::move(transactionId), std::move(offerId),  std::move(vendorId),
                           std::move(region),        std::move(gameAbbr), std::move(gclid)};
  CWebService service;
  const String::_tstringW goalId = LookUpGoal(service, stage, values.offerId);
  // Without full attribution there is no affiliate to credit.
  if (!goalId.empty() && !values.offerId.empty() && !values.transactionId.empty() &&
      !values.vendorId.empty()) {
    ReportConversion(service, goalId, values.transactionId);
  }

  InitAnalyticSession(values, g_buildVersion, String::_tstringW(), values.region);

  if (const wchar_t* eventName = StageEventName(stage)) {
    DispatchAnalytic(Basic, String::_tstringW(eventName).ToAnsi(), "installer_game",
                     values.gameAbbr.ToAnsi());
    OutputDebugStringW(eventName);
  }

  if (IsWord(stage, L"complete")) {
    qiv::removal::SetProfileValues(registerIniPath, attribution::kSection,
                                   attribution::StoredValues(values));
  }
}
