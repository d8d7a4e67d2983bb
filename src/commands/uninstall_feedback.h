// The "UninstallSoftwareFeedback" command: posts the uninstaller's feedback answers to the
// web site.
#pragma once

#include "platform/tstring.h"

void SendUninstallFeedback(String::_tstringW lang, String::_tstringW factors,
                           String::_tstringW star, String::_tstringW comments);
