#include "app/command_driver.h"

#include <cwchar>

#include "analytics/build_version.h"
#include "commands/install_software.h"
#include "commands/post_install_event.h"
#include "commands/uninstall_feedback.h"
#include "commands/uninstall_games.h"
#include "commands/uninstall_software.h"
#include "platform/win32.h"
#include "web/web_service.h"

namespace {

constexpr wchar_t kDefaultBuild[] = L"V3.0.0.999999";
constexpr DWORD kPathCapacity = MAX_PATH;

// Positions past the end of argv read as empty text, as the runtime's null
// element at argv[argc] does; the game-custom form reaches up to position 11.
// Each argument is taken as the system handed it over, in UTF-16.
String::_tstringW Arg(int argc, const wchar_t* const* argv, int position) {
  if (position < 0 || position >= argc) return String::_tstringW();
  return String::_tstringW(argv[position]);
}

void Log(const wchar_t* text) { OutputDebugStringW(text); }

}  // namespace

void LoadBuildVersion() {
  wchar_t path[kPathCapacity] = {};
  DWORD length = GetModuleFileNameW(nullptr, path, kPathCapacity);
  const wchar_t* iniPath = nullptr;
  // A path that is missing, truncated or has no directory gives the default.
  if (length > 0 && length < kPathCapacity) {
    wchar_t* slash = std::wcsrchr(path, L'\\');
    const size_t nameLength = std::wcslen(L"version.ini");
    if (slash != nullptr && static_cast<size_t>(slash - path) + 1 + nameLength < kPathCapacity) {
      std::wcscpy(slash + 1, L"version.ini");
      iniPath = path;
    }
  }
  if (iniPath == nullptr) {
    std::wcscpy(g_buildVersion, kDefaultBuild);
    return;
  }
  GetPrivateProfileStringW(L"versioninfo", L"build", kDefaultBuild, g_buildVersion,
                           sizeof(g_buildVersion) / sizeof(g_buildVersion[0]), iniPath);
}

CommandHandlers DefaultCommandHandlers() {
  CommandHandlers handlers;
  handlers.uninstallGames = UninstallGames;
  handlers.uninstallFeedback = SendUninstallFeedback;
  handlers.installSoftware = InstallSoftware;
  handlers.uninstallSoftware = VantorDepends_UninstallSoftware::Uninstall;
  handlers.postInstallEvent = ReportPostInstallEvent;
  return handlers;
}

int RunCommandDriver(int argc, const wchar_t* const* argv, const CommandHandlers& handlers) {
  LoadBuildVersion();
  if (argc <= 1) return 0;

  Log(L"Enter into main entry...");
  CWebService::GlobalInit(0);

  const String::_tstringW command = Arg(argc, argv, 1);
  auto is = [&command](const wchar_t* word) {
    return command.CompareNoCase(String::_tstringW(word)) == 0;
  };
  auto arg = [argc, argv](int position) { return Arg(argc, argv, position); };

  if (is(L"UninstallGames")) {
    Log(L"Start to uninstall games...");
    handlers.uninstallGames(argc > 2 ? arg(2) : String::_tstringW());
    Log(L"End to uninstall games...");
  } else if (is(L"UninstallSoftwareFeedback")) {
    Log(L"Start to uninstall software feedback...");
    if (argc > 5) handlers.uninstallFeedback(arg(2), arg(3), arg(4), arg(5));
    Log(L"End to uninstall software feedback...");
  } else if (is(L"InstallSoftware")) {
    Log(L"Start to install software...");
    if (argc > 2) handlers.installSoftware(arg(2));
    Log(L"End to install software...");
  } else if (is(L"UninstallSoftware")) {
    Log(L"Start to uninstall software...");
    if (argc > 4) {
      handlers.uninstallSoftware(arg(2), arg(3), arg(4));
    } else if (argc > 2) {
      handlers.uninstallSoftware(arg(2), String::_tstringW(), String::_tstringW());
    }
    Log(L"End to uninstall software...");
  } else if (is(L"PostInstallEvent")) {
    if (argc >= 9) {
      Log(L"Start to post install event...");
      if (arg(4).CompareNoCase(String::_tstringW(L"gamecustom")) == 0) {
        handlers.postInstallEvent(arg(2), arg(3), arg(6), arg(7), arg(8), arg(9), arg(10), arg(11));
      } else {
        handlers.postInstallEvent(arg(2), arg(3), arg(4), arg(5), arg(6), arg(7), arg(8), arg(9));
      }
      Log(L"End to post install event...");
    } else if (argc >= 4) {
      Log(L"Start to post install event...");
      const String::_tstringW empty;
      handlers.postInstallEvent(arg(2), arg(3), empty, empty, empty, empty, empty, empty);
      Log(L"End to post install event...");
    }
  }

  Log(L"Exit main entry...");
  CWebService::GlobalCleanup();
  return 0;
}
