// The analytics entry operations the command handlers call.
#pragma once

#include <string>

#include "analytics/attribution.h"
#include "platform/tstring.h"

enum AnalyticEventType { Attributed = 0, Basic = 1 };

bool InitAnalyticSession(String::_tstringW installerParams, String::_tstringW transactionId,
                         String::_tstringW vendorId, String::_tstringW offerId,
                         String::_tstringW clientVersion, String::_tstringW qivid,
                         String::_tstringW language);
// The same for a whole attribution: its click id stands as the installer parameters.
bool InitAnalyticSession(const Attribution& attribution, const String::_tstringW& clientVersion,
                         const String::_tstringW& qivid, const String::_tstringW& language);
bool SetAnalyticParam(const std::string& key, const std::string& value, bool asList);
bool DispatchAnalytic(int eventType, const std::string& eventName, const std::string& extraKey,
                      const std::string& extraValue);
