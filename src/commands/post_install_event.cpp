// Placeholder until the handler lands.
#include "commands/handlers.h"

void ReportPostInstallEvent(String::_tstringW, String::_tstringW, String::_tstringW,
                            String::_tstringW, String::_tstringW, String::_tstringW,
                            String::_tstringW, String::_tstringW) {}
