// The program's top level: reads the build string, brackets the run with the HTTP
// library's lifetime, picks the handler named by the command word and logs around it.
#pragma once

#include <functional>

#include "platform/tstring.h"

struct CommandHandlers {
  using W = String::_tstringW;
  std::function<void(W)> uninstallGames;
  std::function<void(W, W, W, W)> uninstallFeedback;
  std::function<void(W)> installSoftware;
  std::function<void(W, W, W)> uninstallSoftware;
  std::function<void(W, W, W, W, W, W, W, W)> postInstallEvent;
};

// The real handlers.
CommandHandlers DefaultCommandHandlers();

// Fills g_buildVersion from version.ini beside the executable.
void LoadBuildVersion();

// Runs one command; always returns 0. argv holds argc wide arguments (the
// program's name first), as wmain receives them.
int RunCommandDriver(int argc, const wchar_t* const* argv, const CommandHandlers& handlers);
