// The "PostInstallEvent" command: one stage of the installer's funnel.
#pragma once

#include "platform/tstring.h"

void ReportPostInstallEvent(String::_tstringW stage, String::_tstringW registerIniPath,
                            String::_tstringW transactionId, String::_tstringW offerId,
                            String::_tstringW vendorId, String::_tstringW region,
                            String::_tstringW gameAbbr, String::_tstringW gclid);
