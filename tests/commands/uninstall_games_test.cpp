#ifndef _WIN32

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "commands/uninstall_games.h"
#include "removal/delete/folder_chain_hold.h"
#include "support/registry_scratch.h"

namespace {

namespace fs = std::filesystem;
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
    WriteFile(Path("desktop/" + Flat(name) + ".lnk"), "L");
    WriteFile(Path("desktop/" + Flat(name) + " menu.lnk"), "L");
    WriteFile(Path(dir + "/appinstallconfig.xml"),
              "<config><registry><appitems>" + items + "</appitems></registry><shortcut desktop='" +
                  RegValue("desktop/" + Flat(name) + ".lnk") + "' startmenu='" +
                  RegValue("desktop/" + Flat(name) + " menu.lnk") + "'/></config>");
  }
  // A shortcut name for a game folder that may lie in another's.
  static std::string Flat(std::string name) {
    for (char& c : name) c = c == '/' ? '-' : c;
    return name;
  }
  // The registry section of a game whose INSTALL_PATH is the given .reg text.
  static std::string Game(const std::string& key, const std::string& installPath) {
    return "[" + kProduct + "\\" + key + "]\r\n\"INSTALL_PATH\"=\"" + installPath + "\"\r\n";
  }
  // The scratch "desktop" as the user's Desktop, where shortcut files may go.
  std::string Desktop() const {
    return "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User "
           "Shell Folders]\r\n\"Desktop\"=\"" +
           RegValue("desktop") + "\"\r\n";
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
    return Exists(Path("desktop/" + Flat(name) + ".lnk")) ||
           Exists(Path("desktop/" + Flat(name) + " menu.lnk"));
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
  WriteRegistry(Desktop() + GameIn("Alpha", "Alpha") + GameIn("Beta", "Beta") +
                GameIn("Gamma", "Gamma"));
  UninstallGames(L"UninstallGame");
  for (const char* name : {"Alpha", "Beta", "Gamma"}) {
    EXPECT_FALSE(Installed(name)) << name;
    EXPECT_FALSE(HasShortcuts(name)) << name;
  }
  EXPECT_FALSE(Registered(""));
}

// What another process does between the check and the deletion: the install
// directory or its parent moved away, and another folder or a link to it put in
// its place. Nothing here can refuse the rename, so the comparison through the
// held folders must notice it and leave everything alone.
std::function<void()> swapBetweenCheckAndDeletion;
void RunSwap(const std::wstring&) { swapBetweenCheckAndDeletion(); }

TEST_F(UninstallGamesTest, AFolderSwappedBeforeTheDeletionIsLeftAlone) {
  const struct {
    const char* moved;
    const char* decoy;  // put in its place: the same folder of another tree
    bool link;
  } swaps[] = {
      {"games/Outer/Title", "decoy/Title", false},
      {"games/Outer/Title", "decoy/Title", true},
      {"games/Outer", "decoy", false},
      {"games/Outer", "decoy", true},
  };
  qiv::removal::SetRecheckObserver(RunSwap);
  for (const auto& swap : swaps) {
    SCOPED_TRACE(std::string(swap.moved) + (swap.link ? " by a link" : " by a folder"));
    fs::create_directories(Path("games/Outer/Title/data"));
    WriteFile(Path("games/Outer/Title/data/level.pak"), "pak");
    fs::create_directories(Path("decoy/Title"));
    WriteFile(Path("decoy/Title/keep.txt"), "keep");
    const std::string moved = Path(swap.moved);
    swapBetweenCheckAndDeletion = [&] {
      fs::rename(moved, moved + ".away");
      if (swap.link) {
        fs::create_directory_symlink(Path(swap.decoy), moved);
      } else {
        fs::rename(Path(swap.decoy), moved);
      }
    };
    WriteRegistry(Game("Title", RegValue("games/Outer/Title")));
    UninstallGames(L"UninstallGame");

    EXPECT_TRUE(Exists(Path(swap.link ? "decoy/Title/keep.txt" : "games/Outer/Title/keep.txt")));
    EXPECT_TRUE(Exists(moved + ".away"));  // refused: the real game stays too
    EXPECT_FALSE(Registered("Title"));
    fs::remove_all(Path("games/Outer"));
    fs::remove_all(Path("games/Outer.away"));
    fs::remove_all(Path("decoy"));
  }
  qiv::removal::SetRecheckObserver(nullptr);
}

// Games inside other games' folders, registered in either order: the inner game
// is removed first, so its shortcuts and registry items go too.
TEST_F(UninstallGamesTest, NestedGamesLoseTheirShortcutsAndItemsInAnyOrder) {
  const std::vector<std::vector<std::string>> corpus = {
      {"Outer", "Outer/Inner"},
      {"Outer/Inner", "Outer"},
      {"Nest", "Nest/Mid", "Nest/Mid/Deep"},
      {"Nest/Mid/Deep", "Nest", "Nest/Mid"},
      {"Nest/Mid", "Side", "Nest", "Nest/Mid/Deep", "Nest/Other"},
  };
  for (const auto& games : corpus) {
    std::vector<std::string> byDepth = games;
    std::sort(byDepth.begin(), byDepth.end());
    std::string registry;
    for (size_t index = 0; index < byDepth.size(); ++index) {
      const std::string key = "G" + std::to_string(index);
      MakeGame(byDepth[index],
               "<item rootpath='HKEY_CURRENT_USER' path='Software\\Vendor\\" + key + "'/>");
      registry += "[HKEY_CURRENT_USER\\Software\\Vendor\\" + key + "]\r\n\"x\"=\"1\"\r\n";
      // The machine's product key of that name names the game's folder.
      registry += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\" + key + "]\r\n\"InstallDir\"=\"" +
                  RegValue("games/" + byDepth[index]) + "\"\r\n";
    }
    // Registered in the row's order.
    for (const std::string& name : games) {
      const size_t index = std::find(byDepth.begin(), byDepth.end(), name) - byDepth.begin();
      registry += GameIn("G" + std::to_string(index), name);
    }
    WriteRegistry(Desktop() + registry);
    UninstallGames(L"UninstallGame");
    const std::string row = games.front() + " ... " + games.back();
    for (size_t index = 0; index < byDepth.size(); ++index) {
      const std::wstring item = L"Software\\Vendor\\G" + std::to_wstring(index);
      EXPECT_FALSE(HasShortcuts(byDepth[index])) << row << ": " << byDepth[index];
      EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, item.c_str())) << row << ": " << byDepth[index];
      EXPECT_FALSE(Installed(byDepth[index])) << row << ": " << byDepth[index];
    }
    EXPECT_FALSE(Registered("")) << row;
  }
}

}  // namespace

#endif  // _WIN32
