// The command driver with fuzzed argument lists: handlers are replaced by
// recording ones and every run is checked against a table of the command forms.
// Each argument and the argument vector itself are allocated to their exact
// size, so reading past argv[argc] or past an argument's end is caught.
//
// Input: the arguments after the program name, separated by NUL bytes; each byte
// is one UTF-16 unit (so letters beyond ASCII meet the case-folding rule).
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "app/command_driver.h"
#include "fuzz/fuzz_support.h"
#include "platform/debug_capture.h"

namespace {

using W = String::_tstringW;
constexpr int kMaxArguments = 14;

struct Run {
  std::string handler;
  std::vector<std::wstring> arguments;
  std::vector<std::wstring> lines;
  bool operator==(const Run&) const = default;
};

std::wstring AsciiLower(std::wstring text) {
  for (wchar_t& unit : text) {
    if (unit >= L'A' && unit <= L'Z') unit = static_cast<wchar_t>(unit - L'A' + L'a');
  }
  return text;
}

// The command forms as the installer and uninstaller use them.
Run Expected(const std::vector<std::wstring>& argv) {
  Run run;
  const int argc = static_cast<int>(argv.size());
  if (argc <= 1) return run;
  auto arg = [&](int k) -> std::wstring { return k < argc ? argv[k] : std::wstring(); };
  auto call = [&](const char* handler, std::initializer_list<int> positions) {
    run.handler = handler;
    for (int k : positions) run.arguments.push_back(k < 0 ? std::wstring() : arg(k));
  };
  auto bracket = [&](const std::wstring& start, const std::wstring& end, auto body) {
    run.lines.push_back(start);
    body();
    run.lines.push_back(end);
  };
  const std::wstring word = AsciiLower(arg(1));
  run.lines.push_back(L"Enter into main entry...");
  if (word == L"uninstallgames") {
    bracket(L"Start to uninstall games...", L"End to uninstall games...",
            [&] { call("games", {2}); });
  } else if (word == L"uninstallsoftwarefeedback") {
    bracket(L"Start to uninstall software feedback...", L"End to uninstall software feedback...",
            [&] {
              if (argc > 5) call("feedback", {2, 3, 4, 5});
            });
  } else if (word == L"installsoftware") {
    bracket(L"Start to install software...", L"End to install software...", [&] {
      if (argc > 2) call("install", {2});
    });
  } else if (word == L"uninstallsoftware") {
    bracket(L"Start to uninstall software...", L"End to uninstall software...", [&] {
      if (argc > 4) {
        call("software", {2, 3, 4});
      } else if (argc > 2) {
        call("software", {2, -1, -1});
      }
    });
  } else if (word == L"postinstallevent" && argc >= 4) {
    bracket(L"Start to post install event...", L"End to post install event...", [&] {
      if (argc < 9) {
        call("post", {2, 3, -1, -1, -1, -1, -1, -1});
      } else if (AsciiLower(arg(4)) == L"gamecustom") {
        call("post", {2, 3, 6, 7, 8, 9, 10, 11});
      } else {
        call("post", {2, 3, 4, 5, 6, 7, 8, 9});
      }
    });
  }
  run.lines.push_back(L"Exit main entry...");
  return run;
}

CommandHandlers Recording(Run& seen) {
  auto record = [&seen](const char* name, std::initializer_list<W> arguments) {
    FUZZ_CHECK(seen.handler.empty());  // one handler per run
    seen.handler = name;
    for (const W& argument : arguments) seen.arguments.push_back(argument);
  };
  CommandHandlers handlers;
  handlers.uninstallGames = [record](W a) { record("games", {a}); };
  handlers.uninstallFeedback = [record](W a, W b, W c, W d) { record("feedback", {a, b, c, d}); };
  handlers.installSoftware = [record](W a) { record("install", {a}); };
  handlers.uninstallSoftware = [record](W a, W b, W c) { record("software", {a, b, c}); };
  handlers.postInstallEvent = [record](W a, W b, W c, W d, W e, W f, W g, W h) {
    record("post", {a, b, c, d, e, f, g, h});
  };
  return handlers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  std::vector<std::wstring> arguments{L"QivDepends"};
  while (!in.Empty() && static_cast<int>(arguments.size()) < kMaxArguments) {
    const std::string bytes = in.Until('\0');
    std::wstring& argument = arguments.emplace_back();
    for (const char byte : bytes) argument.push_back(static_cast<unsigned char>(byte));
  }

  std::vector<std::unique_ptr<wchar_t[]>> storage;
  std::unique_ptr<const wchar_t*[]> argv(new const wchar_t*[arguments.size() + 1]);
  for (size_t i = 0; i < arguments.size(); ++i) {
    storage.emplace_back(new wchar_t[arguments[i].size() + 1]);
    std::wmemcpy(storage.back().get(), arguments[i].c_str(), arguments[i].size() + 1);
    argv[i] = storage.back().get();
  }
  argv[arguments.size()] = nullptr;

  Run seen;
  qiv::platform::DebugCapture capture;
  const int status =
      RunCommandDriver(static_cast<int>(arguments.size()), argv.get(), Recording(seen));
  FUZZ_CHECK(status == 0);
  for (const std::wstring& line : capture.Messages()) seen.lines.push_back(line);
  FUZZ_CHECK(seen == Expected(arguments));
  return 0;
}
