// The "InstallSoftware" command, which the installer starts for symmetry with the
// others.
#pragma once

#include "platform/tstring.h"

void InstallSoftware(String::_tstringW value);
