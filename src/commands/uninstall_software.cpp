// Placeholder until the handler lands.
#include "commands/handlers.h"

namespace VantorDepends_UninstallSoftware {
void Uninstall(String::_tstringW, String::_tstringW, String::_tstringW) {}
}  // namespace VantorDepends_UninstallSoftware
