// Where an install came from: the affiliate transaction, offer and vendor, the
// region, the game and the ad click. The installer's last stage stores it in
// Register.ini (analytics/attribution_file.h); the uninstaller reads it back; both
// hand it whole to the analytic session.
#pragma once

#include "platform/tstring.h"

struct Attribution {
  String::_tstringW transactionId;
  String::_tstringW offerId;
  String::_tstringW vendorId;
  String::_tstringW region;
  String::_tstringW gameAbbr;
  String::_tstringW gclid;
};
