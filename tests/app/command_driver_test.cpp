#include "app/command_driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "analytics/build_version.h"
#include "platform/debug_capture.h"
#include "platform/win32.h"
#include "web/web_service.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

using W = String::_tstringW;

struct Call {
  std::string handler;
  std::vector<std::wstring> args;
  bool requestsAllowed = false;
};

// Handlers that record who was called with what.
class RecordingHandlers {
 public:
  RecordingHandlers() {
    handlers_.uninstallGames = [this](W a) { Record("games", {a}); };
    handlers_.uninstallFeedback = [this](W a, W b, W c, W d) { Record("feedback", {a, b, c, d}); };
    handlers_.installSoftware = [this](W a) { Record("install", {a}); };
    handlers_.uninstallSoftware = [this](W a, W b, W c) { Record("software", {a, b, c}); };
    handlers_.postInstallEvent = [this](W a, W b, W c, W d, W e, W f, W g, W h) {
      Record("post", {a, b, c, d, e, f, g, h});
    };
  }

  // ASCII arguments.
  int Run(const std::vector<std::string>& args) {
    std::vector<std::wstring> wide;
    for (const std::string& arg : args) wide.emplace_back(arg.begin(), arg.end());
    return RunWide(std::move(wide));
  }

  int RunWide(std::vector<std::wstring> args) {
    args.insert(args.begin(), L"QivDepends.exe");
    std::vector<const wchar_t*> argv;
    for (const std::wstring& arg : args) argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    return RunCommandDriver(static_cast<int>(args.size()), argv.data(), handlers_);
  }

  const std::vector<Call>& calls() const { return calls_; }

 private:
  void Record(const std::string& name, std::vector<std::wstring> args) {
    calls_.push_back({name, std::move(args), CWebService::RequestsAllowed()});
  }
  CommandHandlers handlers_;
  std::vector<Call> calls_;
};

std::vector<std::wstring> Lines(const qiv::platform::DebugCapture& capture) {
  return capture.Messages();
}

}  // namespace

TEST(CommandDriver, NoCommandWordLogsNothingAndStartsNothing) {
  qiv::platform::DebugCapture capture;
  RecordingHandlers handlers;
  EXPECT_EQ(handlers.Run({}), 0);
  EXPECT_TRUE(Lines(capture).empty());
  EXPECT_TRUE(handlers.calls().empty());
  EXPECT_FALSE(CWebService::RequestsAllowed());
}

TEST(CommandDriver, UnknownWordOnlyEntersAndExits) {
  qiv::platform::DebugCapture capture;
  RecordingHandlers handlers;
  EXPECT_EQ(handlers.Run({"Frobnicate", "x"}), 0);
  EXPECT_EQ(Lines(capture),
            (std::vector<std::wstring>{L"Enter into main entry...", L"Exit main entry..."}));
  EXPECT_TRUE(handlers.calls().empty());
  // The library is released at the end of every run.
  EXPECT_FALSE(CWebService::RequestsAllowed());
}

TEST(CommandDriver, CommandWordsAreMatchedIgnoringAsciiCase) {
  qiv::platform::DebugCapture capture;
  RecordingHandlers handlers;
  handlers.Run({"uninstallgames"});
  handlers.Run({"UNINSTALLSOFTWARE", "en"});
  ASSERT_EQ(handlers.calls().size(), 2u);
  EXPECT_EQ(handlers.calls()[0].handler, "games");
  EXPECT_EQ(handlers.calls()[0].args, (std::vector<std::wstring>{L""}));
  EXPECT_TRUE(handlers.calls()[0].requestsAllowed);
  EXPECT_EQ(handlers.calls()[1].handler, "software");
  EXPECT_EQ(handlers.calls()[1].args, (std::vector<std::wstring>{L"en", L"", L""}));
  EXPECT_EQ(Lines(capture), (std::vector<std::wstring>{
                                L"Enter into main entry...", L"Start to uninstall games...",
                                L"End to uninstall games...", L"Exit main entry...",
                                L"Enter into main entry...", L"Start to uninstall software...",
                                L"End to uninstall software...", L"Exit main entry..."}));
}

TEST(CommandDriver, ArgumentFormsReachTheirHandlers) {
  struct Case {
    std::vector<std::string> args;
    std::string handler;  // empty: no handler runs
    std::vector<std::wstring> expected;
  } cases[] = {
      {{"UninstallGames", "UninstallGame", "extra"}, "games", {L"UninstallGame"}},
      {{"UninstallSoftwareFeedback", "en", "f", "5", "fine"},
       "feedback",
       {L"en", L"f", L"5", L"fine"}},
      {{"UninstallSoftwareFeedback", "en", "f", "5"}, "", {}},
      {{"InstallSoftware"}, "", {}},
      {{"InstallSoftware", "x"}, "install", {L"x"}},
      {{"UninstallSoftware"}, "", {}},
      {{"UninstallSoftware", "en", "0"}, "software", {L"en", L"", L""}},
      {{"UninstallSoftware", "en", "0", "C:\\Client\\"},
       "software",
       {L"en", L"0", L"C:\\Client\\"}},
      {{"PostInstallEvent", "start"}, "", {}},
      {{"PostInstallEvent", "start", "R.ini"},
       "post",
       {L"start", L"R.ini", L"", L"", L"", L"", L"", L""}},
      {{"PostInstallEvent", "eula", "R.ini", "t", "o", "v", "r"},
       "post",
       {L"eula", L"R.ini", L"", L"", L"", L"", L"", L""}},
      // Nine arguments: the full form with an empty gclid.
      {{"PostInstallEvent", "complete", "R.ini", "t", "o", "v", "r", "g"},
       "post",
       {L"complete", L"R.ini", L"t", L"o", L"v", L"r", L"g", L""}},
      {{"PostInstallEvent", "complete", "R.ini", "t", "o", "v", "r", "g", "c"},
       "post",
       {L"complete", L"R.ini", L"t", L"o", L"v", L"r", L"g", L"c"}},
      {{"PostInstallEvent", "path", "R.ini", "GameCustom", "skipped", "t", "o", "v", "r", "g", "c"},
       "post",
       {L"path", L"R.ini", L"t", L"o", L"v", L"r", L"g", L"c"}},
      // Game-custom with nine arguments: positions past the end read as empty text.
      {{"PostInstallEvent", "ready", "R.ini", "gamecustom", "skipped", "t", "o", "v"},
       "post",
       {L"ready", L"R.ini", L"t", L"o", L"v", L"", L"", L""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " with " + std::to_string(c.args.size() + 1) + " arguments");
    RecordingHandlers handlers;
    EXPECT_EQ(handlers.Run(c.args), 0);
    if (c.handler.empty()) {
      EXPECT_TRUE(handlers.calls().empty());
      continue;
    }
    ASSERT_EQ(handlers.calls().size(), 1u);
    EXPECT_EQ(handlers.calls()[0].handler, c.handler);
    EXPECT_EQ(handlers.calls()[0].args, c.expected);
  }
}

TEST(CommandDriver, LogLinesBracketEachCommand) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::wstring> middle;
  } cases[] = {
      {{"UninstallSoftwareFeedback", "en"},
       {L"Start to uninstall software feedback...", L"End to uninstall software feedback..."}},
      {{"InstallSoftware"}, {L"Start to install software...", L"End to install software..."}},
      {{"PostInstallEvent", "start", "R.ini"},
       {L"Start to post install event...", L"End to post install event..."}},
      {{"PostInstallEvent", "start"}, {}},
  };
  for (const Case& c : cases) {
    qiv::platform::DebugCapture capture;
    RecordingHandlers handlers;
    handlers.Run(c.args);
    std::vector<std::wstring> expected{L"Enter into main entry..."};
    expected.insert(expected.end(), c.middle.begin(), c.middle.end());
    expected.push_back(L"Exit main entry...");
    EXPECT_EQ(Lines(capture), expected) << c.args[0];
  }
}

// Whatever the ANSI code page holds: a Cyrillic folder, Chinese and Greek text
// and a pair of surrogates reach the handler unit for unit.
TEST(CommandDriver, WideArgumentsReachTheHandlersAsWritten) {
  const std::wstring folder = L"C:\\\x0418\x0433\x0440\x044B\\Register.ini";
  const std::wstring comment = L"\x4E2D\x6587 \x03B1\x03B2 \xD83D\xDE00 caf\xE9";
  RecordingHandlers handlers;
  handlers.RunWide({L"PostInstallEvent", L"complete", folder});
  handlers.RunWide({L"UninstallSoftwareFeedback", L"ru", L"1", L"5", comment});
  ASSERT_EQ(handlers.calls().size(), 2u);
  EXPECT_EQ(handlers.calls()[0].args[1], folder);
  EXPECT_EQ(handlers.calls()[1].args[3], comment);
}

class BuildVersion : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t module[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    ASSERT_GT(length, 0u);
    std::wstring path(module, length);
    path = path.substr(0, path.rfind(L'\\') + 1) + L"version.ini";
    iniPath_ = W(path).ToAnsi();
#ifndef _WIN32
    for (char& c : iniPath_) {
      if (c == '\\') c = '/';
    }
#endif
#ifndef _WIN32
    // CTest runs each case in a process of its own, two at a time, and all of them
    // share the one file beside the executable: one case at a time holds it.
    lock_ = open((iniPath_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(lock_, 0);
    ASSERT_EQ(flock(lock_, LOCK_EX), 0);
#endif
    std::remove(iniPath_.c_str());
  }
  void TearDown() override {
    std::remove(iniPath_.c_str());
#ifndef _WIN32
    if (lock_ >= 0) close(lock_);
#endif
  }

  void WriteIni(const std::string& text) { std::ofstream(iniPath_, std::ios::binary) << text; }

  std::string iniPath_;
  int lock_ = -1;
};

TEST_F(BuildVersion, MissingFileGivesTheDefault) {
  LoadBuildVersion();
  EXPECT_STREQ(g_buildVersion, L"V3.0.0.999999");
}

TEST_F(BuildVersion, ReadsTheBuildBesideTheExecutable) {
  WriteIni("[versioninfo]\r\nbuild=V3.2.1.42\r\n");
  LoadBuildVersion();
  EXPECT_STREQ(g_buildVersion, L"V3.2.1.42");
}

TEST_F(BuildVersion, LongValuesAreCutTo31Characters) {
  const std::string forty = "V123456789012345678901234567890123456789";
  ASSERT_EQ(forty.size(), 40u);
  WriteIni("[versioninfo]\nbuild=" + forty + "\n");
  LoadBuildVersion();
  EXPECT_EQ(std::wstring(g_buildVersion), W(forty.substr(0, 31).c_str()));
}

TEST_F(BuildVersion, IsReadEvenWithoutACommandWord) {
  WriteIni("[versioninfo]\nbuild=V9\n");
  RecordingHandlers handlers;
  handlers.Run({});
  EXPECT_STREQ(g_buildVersion, L"V9");
}
