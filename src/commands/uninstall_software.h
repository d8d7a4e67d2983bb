// The "UninstallSoftware" command: the uninstaller's report of the client's removal.
#pragma once

#include "platform/tstring.h"

namespace VantorDepends_UninstallSoftware {
void Uninstall(String::_tstringW language, String::_tstringW gamesFlag,
               String::_tstringW installDir);
}
