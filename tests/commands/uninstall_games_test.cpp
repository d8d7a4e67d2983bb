#ifndef _WIN32

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "commands/handlers.h"
#include "support/registry_scratch.h"

namespace {

using qiv::testing::Exists;
using qiv::testing::WriteFile;

const std::string kProduct = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvandel\\Vantor";

class UninstallGamesTest : public qiv::testing::RegistryScratchTest {
 protected:
  void SetUp() override {
    RegistryScratchTest::SetUp();
    ASSERT_EQ(mkdir(Path("games").c_str(), 0700), 0);
    ASSERT_EQ(mkdir(Path("desktop").c_str(), 0700), 0);
  }

  // A game directory with a data file, two shortcut files and a document that
  // lists them and `items` (appitems).
  void MakeGame(const std::string& name, const std::string& items = "") {
    const std::string dir = "games/" + name;
    ASSERT_EQ(mkdir(Path(dir).c_str(), 0700), 0);
    ASSERT_EQ(mkdir(Path(dir + "/data").c_str(), 0700), 0);
    WriteFile(Path(dir + "/data/level.pak"), "pak");
    WriteFile(Path("desktop/" + name + ".lnk"), "L");
    WriteFile(Path("desktop/" + name + " menu.lnk"), "L");
    WriteFile(Path(dir + "/appinstallconfig.xml"),
              "<config><registry><appitems>" + items + "</appitems></registry><shortcut desktop='" +
                  RegValue("desktop/" + name + ".lnk") + "' startmenu='" +
                  RegValue("desktop/" + name + " menu.lnk") + "'/></config>");
  }
  // The registry section of a game whose INSTALL_PATH is the given .reg text.
  static std::string Game(const std::string& key, const std::string& installPath) {
    return "[" + kProduct + "\\" + key + "]\r\n\"INSTALL_PATH\"=\"" + installPath + "\"\r\n";
  }
  std::string GameIn(const std::string& key, const std::string& dir) {
    return Game(key, RegValue("games/" + dir));
  }
  static bool Registered(const std::string& key) {
    const std::wstring path =
        L"SOFTWARE\\Orvandel\\Vantor" +
        (key.empty() ? std::wstring() : L"\\" + std::wstring(key.begin(), key.end()));
    return KeyExists(HKEY_LOCAL_MACHINE, path.c_str());
  }
  bool Installed(const std::string& name) { return Exists(Path("games/" + name)); }
  bool HasShortcuts(const std::string& name) {
    return Exists(Path("desktop/" + name + ".lnk")) ||
           Exists(Path("desktop/" + name + " menu.lnk"));
  }
};

TEST_F(UninstallGamesTest, AnEmptyProductKeyGoesInEitherMode) {
  for (const wchar_t* mode : {L"", L"UninstallGame"}) {
    WriteRegistry("[" + kProduct + "]\r\n");
    UninstallGames(mode);
    EXPECT_FALSE(Registered(""));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvandel"));
  }
}

TEST_F(UninstallGamesTest, GamesWithoutAPathOrWithSubkeysOfTheirOwn) {
  MakeGame("Beta");
  MakeGame("Delta");
  const std::string longName(600, 'x');
  WriteRegistry("[" + kProduct + "\\Alpha]\r\n\"APP_ABBR\"=\"al\"\r\n" +  // no INSTALL_PATH
                GameIn("Beta", "Beta") + "[" + kProduct + "\\Beta\\Patch]\r\n" +
                Game("Gamma", std::string(600, 'g')) +  // too long to read
                "[" + kProduct + "\\" + longName + "]\r\n" + GameIn("Delta", "Delta"));
  UninstallGames(L"UninstallGame");
  EXPECT_FALSE(Registered("Alpha"));
  // Beta keeps its registration, which has a subkey; its files go.
  EXPECT_TRUE(Registered("Beta\\Patch"));
  EXPECT_FALSE(Installed("Beta"));
  EXPECT_FALSE(Registered("Gamma"));
  // The games after them are still visited.
  EXPECT_FALSE(Installed("Delta"));
  EXPECT_FALSE(Registered("Delta"));
  EXPECT_TRUE(Registered(""));
}

TEST_F(UninstallGamesTest, AGameThatRemovesItsOwnRegistrationDoesNotHideTheNext) {
  MakeGame("Alpha",
           "<item rootpath='HKEY_LOCAL_MACHINE' path='SOFTWARE\\Orvandel\\Vantor\\Alpha'/>");
  MakeGame("Beta", "<item rootpath='HKEY_LOCAL_MACHINE' path='SOFTWARE\\Orvandel\\Vantor\\Beta'/>");
  MakeGame("Gamma");
  WriteRegistry(GameIn("Alpha", "Alpha") + GameIn("Beta", "Beta") + GameIn("Gamma", "Gamma"));
  UninstallGames(L"UninstallGame");
  for (const char* name : {"Alpha", "Beta", "Gamma"}) {
    EXPECT_FALSE(Installed(name)) << name;
    EXPECT_FALSE(HasShortcuts(name)) << name;
  }
  EXPECT_FALSE(Registered(""));
}

}  // namespace

#endif  // _WIN32
