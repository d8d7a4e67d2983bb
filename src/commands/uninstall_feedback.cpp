// Placeholder until the handler lands.
#include "commands/handlers.h"

void SendUninstallFeedback(String::_tstringW, String::_tstringW, String::_tstringW,
                           String::_tstringW) {}
