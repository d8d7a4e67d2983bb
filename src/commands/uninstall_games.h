// The "UninstallGames" command: removes every game registered under the client's
// product key.
#pragma once

#include "platform/tstring.h"

// "UninstallGame" (full mode) removes each game's shortcuts, registry items,
// install directory and registration; any other mode removes the shortcuts alone.
void UninstallGames(String::_tstringW mode);
