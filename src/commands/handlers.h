// The command handlers the driver dispatches to. Each takes its arguments by value
// and reports nothing back.
#pragma once

#include "base/strings/tstring.h"

void UninstallGames(String::_tstringW mode);
void SendUninstallFeedback(String::_tstringW lang, String::_tstringW factors,
                           String::_tstringW star, String::_tstringW comments);
void InstallSoftware(String::_tstringW value);
void ReportPostInstallEvent(String::_tstringW stage, String::_tstringW registerIniPath,
                            String::_tstringW transactionId, String::_tstringW offerId,
                            String::_tstringW vendorId, String::_tstringW region,
                            String::_tstringW gameAbbr, String::_tstringW gclid);

namespace VantorDepends_UninstallSoftware {
void Uninstall(String::_tstringW language, String::_tstringW gamesFlag,
               String::_tstringW installDir);
}
