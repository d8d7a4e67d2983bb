// The uninstaller's report: the install attribution stored at install time, the
// installed games when asked for, sent as the "qiv_uninstall_start" event.
#include <string>

#include "analytics/analytic_entry.h"
#include "analytics/attribution_file.h"
#include "analytics/build_version.h"
#include "commands/uninstall_software.h"
#include "platform/installed_games.h"
#include "platform/win32.h"

namespace VantorDepends_UninstallSoftware {

void Uninstall(String::_tstringW language, String::_tstringW gamesFlag,
               String::_tstringW installDir) {
  // No separator is inserted: the uninstaller passes the directory with its own.
  const Attribution stored = attribution::Read(installDir + attribution::kFileName);

  // The stored click id goes where the installer's own events put it, so the
  // uninstall is attributed like the install was.
  InitAnalyticSession(stored, g_buildVersion, String::_tstringW(), language);

  // The abbreviation travels as the extra member's key with no value, which keeps
  // it out of the event: the collector's uninstall event has no member for it.
  const std::string gameAbbrAnsi = stored.gameAbbr.ToAnsi();

  // "1" and the empty flag mean the uninstaller did not ask for the game list.
  if (!gamesFlag.empty() && gamesFlag.CompareNoCase(String::_tstringW(L"1")) != 0) {
    const String::_tstringW games = GetInstalledGameList();
    SetAnalyticParam("game_list", games.ToAnsi(), true);
    const String::_tstringW line =
        String::_tstringW(L"VantorDepends_UninstallSoftware::Uninstall Games path:") + installDir +
        L"\n";
    OutputDebugStringW(line.c_str());
  }

  DispatchAnalytic(Attributed, "qiv_uninstall_start", gameAbbrAnsi, std::string());
}

}  // namespace VantorDepends_UninstallSoftware
