#include "analytics/analytic_entry.h"

#include <sstream>

#include "analytics/analytic.h"
#include "analytics/analytic_delivery.h"
#include "base/json/writer.h"
#include "platform/win32.h"

namespace {

constexpr char kLastGame[] = "xnb";

}  // namespace

bool InitAnalyticSession(String::_tstringW installerParams, String::_tstringW transactionId,
                         String::_tstringW vendorId, String::_tstringW offerId,
                         String::_tstringW clientVersion, String::_tstringW qivid,
                         String::_tstringW language) {
  return CAnalytic::Instance().Init(installerParams, transactionId, vendorId, offerId,
                                    clientVersion, qivid, language);
}

bool InitAnalyticSession(const Attribution& attribution, const String::_tstringW& clientVersion,
                         const String::_tstringW& qivid, const String::_tstringW& language) {
  return CAnalytic::Instance().Init(attribution.gclid, attribution.transactionId,
                                    attribution.vendorId, attribution.offerId, clientVersion, qivid,
                                    language);
}

bool SetAnalyticParam(const std::string& key, const std::string& value, bool asList) {
  CAnalytic::Instance().SetParam(key, asList ? analytics::ConvertListValue(value) : value);
  return true;
}

bool DispatchAnalytic(int eventType, const std::string& eventName, const std::string& extraKey,
                      const std::string& extraValue) {
  if (eventType != Attributed && eventType != Basic) {
    String::_tstringW message;
    message.Format(1, L"Unable to dispatch Analytic: Invalid event type[%d]\n", eventType);
    OutputDebugStringW(message.c_str());
    return false;
  }
  CAnalytic& analytic = CAnalytic::Instance();
  // Before the session exists nothing is built, so pending members wait for later.
  if (!analytic.IsInitialized()) return false;

  json::Object event =
      analytic.BuildEvent(eventName, kLastGame, extraKey, extraValue, eventType == Attributed);
  std::ostringstream written;
  json::Writer::WriteObject(event, written);
  event.Clear();

  const String::_tstringW url =
      analytics::BuildCollectorUrl(analytics::SqueezeEventText(written.str()));
  return analytics::SendToCollector(url);
}
