// Placeholder until the handler lands.
#include "commands/handlers.h"

void UninstallGames(String::_tstringW) {}
