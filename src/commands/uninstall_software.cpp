// The uninstaller's report: the install attribution stored at install time, the
// installed games when asked for, sent as the "qiv_uninstall_start" event.
#include <string>

#include "analytics/analytic_entry.h"
#include "app/build_version.h"
#include "commands/attribution_file.h"
#include "commands/handlers.h"
#include "commands/installed_games.h"
#include "platform/win32.h"

namespace {

constexpr DWORD kValueCapacity = 256;
constexpr DWORD kGameAbbrCapacity = 32;

String::_tstringW ReadAttribution(const String::_tstringW& file, const wchar_t* key,
                                  DWORD capacity) {
  std::wstring buffer(capacity, L'\0');
  GetPrivateProfileStringW(attribution::kSection, key, L"", &buffer[0], capacity, file.c_str());
  return String::_tstringW(static_cast<const wchar_t*>(buffer.c_str()));
}

}  // namespace

namespace VantorDepends_UninstallSoftware {

void Uninstall(String::_tstringW language, String::_tstringW gamesFlag,
               String::_tstringW installDir) {
  // No separator is inserted: the uninstaller passes the directory with its own.
  const String::_tstringW file = installDir + attribution::kFileName;
  const String::_tstringW transactionId =
      ReadAttribution(file, attribution::kTransactionId, kValueCapacity);
  const String::_tstringW offerId = ReadAttribution(file, attribution::kOfferId, kValueCapacity);
  const String::_tstringW vendorId = ReadAttribution(file, attribution::kVendorId, kValueCapacity);
  const String::_tstringW gameAbbr =
      ReadAttribution(file, attribution::kGameAbbr, kGameAbbrCapacity);
  const String::_tstringW gclid = ReadAttribution(file, attribution::kGclid, kValueCapacity);

  // The stored click id goes where the installer's own events put it, so the
  // uninstall is attributed like the install was.
  InitAnalyticSession(gclid, transactionId, vendorId, offerId, g_buildVersion, String::_tstringW(),
                      language);

  // The abbreviation travels as the extra member's key with no value, which keeps
  // it out of the event: the collector's uninstall event has no member for it.
  const std::string gameAbbrAnsi = gameAbbr.ToAnsi();

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
