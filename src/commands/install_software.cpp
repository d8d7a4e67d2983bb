// The installer calls this command for symmetry with the others; there is nothing
// to do at install time beyond what the post-install events report.
#include "commands/install_software.h"

void InstallSoftware(String::_tstringW /*value*/) {}
