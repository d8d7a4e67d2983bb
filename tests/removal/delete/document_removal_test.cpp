#ifndef _WIN32

#include "removal/delete/document_removal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/registry_scratch.h"

namespace {

using qiv::testing::Exists;
using qiv::testing::ReadFile;
using qiv::testing::ScopedEnv;
using qiv::testing::WriteFile;

// Each product key names the game's folder ("$GAME"), so only the lists' rules
// keep one.
const char kRegistry[] =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows]\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\GameA\\Sub]\r\n\"v\"=\"1\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\GameA]\r\n\"InstallDir\"=\"$GAME\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\GameB]\r\n\"InstallDir\"=\"$GAME\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\GameC]\r\n\"InstallDir\"=\"$GAME\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\GameD]\r\n\"InstallDir\"=\"$GAME\"\r\n"
    "[HKEY_CURRENT_USER\\Software\\Vendor\\GameA]\r\n"
    "[HKEY_CLASSES_ROOT\\.gamesave]\r\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{0}]\r\n";

class RemovalTest : public qiv::testing::RegistryScratchTest {
 protected:
  void SetUp() override {
    RegistryScratchTest::SetUp();
    ASSERT_EQ(mkdir(Path("game").c_str(), 0700), 0);
    std::string registry = kRegistry;
    for (size_t at = registry.find("$GAME"); at != std::string::npos; at = registry.find("$GAME")) {
      registry.replace(at, 5, RegValue("game"));
    }
    // The scratch "desktop" and "menu" are the user's Desktop and Start Menu.
    WriteRegistry(registry +
                  "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                  "User Shell Folders]\r\n\"Desktop\"=\"" +
                  RegValue("desktop") + "\"\r\n\"Start Menu\"=\"" + RegValue("menu") + "\"\r\n");
    ASSERT_EQ(mkdir(Path("desktop").c_str(), 0700), 0);
    ASSERT_EQ(mkdir(Path("menu").c_str(), 0700), 0);
  }
  String::_tstringW Document(const std::string& xml) {
    WriteFile(Path("appinstallconfig.xml"), xml);
    return String::_tstringW(WinPath("appinstallconfig.xml"));
  }
  std::string Item(const char* root, const std::string& path) {
    return std::string("<item rootpath='") + root + "' path='" + path + "'/>";
  }
  bool Machine(const wchar_t* path) { return KeyExists(HKEY_LOCAL_MACHINE, path); }
  std::wstring Game() const { return WinPath("game"); }
};

TEST_F(RemovalTest, OnlyShortcutFilesAreDeleted) {
  WriteFile(Path("desktop/notes.txt"), "keep");
  ASSERT_EQ(mkdir(Path("menu/Folder.lnk").c_str(), 0700), 0);
  const auto document = Document("<config><shortcut desktop='" + RegValue("desktop/notes.txt") +
                                 "' startmenu='" + RegValue("menu/Folder.lnk") + "'/></config>");
  EXPECT_TRUE(RemoveShortcuts(document));
  EXPECT_EQ(ReadFile(Path("desktop/notes.txt")), "keep");
  EXPECT_TRUE(Exists(Path("menu/Folder.lnk")));
  // The element goes all the same, and a second run leaves the file alone.
  EXPECT_EQ(ReadFile(Path("appinstallconfig.xml")).find("shortcut"), std::string::npos);
  const std::string saved = ReadFile(Path("appinstallconfig.xml"));
  EXPECT_TRUE(RemoveShortcuts(document));
  EXPECT_EQ(ReadFile(Path("appinstallconfig.xml")), saved);
}

TEST_F(RemovalTest, AMissingDocumentChangesNothing) {
  const String::_tstringW missing(WinPath("appinstallconfig.xml"));
  const std::string before = RegistryText();
  EXPECT_FALSE(RemoveShortcuts(missing));
  EXPECT_FALSE(RemoveRegistryItems(missing));
  EXPECT_FALSE(Exists(Path("appinstallconfig.xml")));
  EXPECT_EQ(RegistryText(), before);
}

// A vantoritems list ends at the first item whose root opens. A refused or empty
// item there deletes nothing, and the trees after it are never reached.
TEST_F(RemovalTest, RefusedItemsEndTheVantorItemsInPlaceOfADeletedOne) {
  const auto document = Document(
      "<config><registry><vantoritems>" + Item("HKEY_NOWHERE", "SOFTWARE\\Vendor\\GameA") +
      Item("HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft") +
      Item("HKEY_LOCAL_MACHINE", "SOFTWARE\\Vendor\\GameB") +
      "</vantoritems></registry><registry><vantoritems><item rootpath='HKEY_LOCAL_MACHINE'/>" +
      Item("HKEY_LOCAL_MACHINE", "SOFTWARE\\Vendor\\GameC") + "</vantoritems><appitems><item/>" +
      Item("HKEY_CLASSES_ROOT", "CLSID") + Item("HKEY_PERFORMANCE_DATA", "x") +
      Item("HKEY_LOCAL_MACHINE", "SOFTWARE\\\\") +
      Item("HKEY_LOCAL_MACHINE", "SOFTWARE\\Vendor\\GameD") + "</appitems></registry></config>");
  EXPECT_TRUE(RemoveRegistryItems(document, Game()));
  EXPECT_TRUE(Machine(L"SOFTWARE\\Microsoft\\Windows"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\{0}"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L".gamesave"));
  EXPECT_TRUE(Machine(L"SOFTWARE\\Vendor\\GameB"));
  EXPECT_TRUE(Machine(L"SOFTWARE\\Vendor\\GameC"));
  EXPECT_FALSE(Machine(L"SOFTWARE\\Vendor\\GameD"));
  EXPECT_TRUE(Machine(L"SOFTWARE\\Vendor\\GameA\\Sub"));
}

TEST_F(RemovalTest, AMissingKeyStillEndsTheVantorItemsAndEveryRegistryElementIsRead) {
  const auto document = Document("<config><registry language='en'><vantoritems>" +
                                 Item("HKEY_LOCAL_MACHINE", "SOFTWARE\\Vendor\\Missing") +
                                 Item("HKEY_LOCAL_MACHINE", "SOFTWARE\\Vendor\\GameA") +
                                 "</vantoritems></registry><registry language='de'><appitems>" +
                                 Item("HKEY_LOCAL_MACHINE", "SOFTWARE\\Vendor\\GameC") +
                                 "</appitems></registry></config>");
  EXPECT_TRUE(RemoveRegistryItems(document, Game()));
  EXPECT_TRUE(Machine(L"SOFTWARE\\Vendor\\GameA"));
  EXPECT_FALSE(Machine(L"SOFTWARE\\Vendor\\GameC"));
}

// Each shortcut is opened as itself and judged through that handle: a link named
// like a shortcut is neither followed nor removed, a hard link loses only the
// name the document gave, and what the file outside holds stays.
TEST_F(RemovalTest, ShortcutsAreJudgedAndDeletedAsThemselves) {
  WriteFile(Path("precious.txt"), "precious");
  const struct {
    const char* name;
    int (*make)(const std::string& precious, const std::string& path);
    bool deleted;
  } kCases[] = {
      {"desktop/Game.lnk",
       [](const std::string&, const std::string& path) {
         WriteFile(path, "shell link");
         return 0;
       },
       true},
      {"desktop/Game.URL",
       [](const std::string&, const std::string& path) {
         WriteFile(path, "[InternetShortcut]");
         return 0;
       },
       true},
      {"desktop/Linked.lnk",
       [](const std::string& precious, const std::string& path) {
         return symlink(precious.c_str(), path.c_str());
       },
       false},
      {"desktop/Hard.lnk",
       [](const std::string& precious, const std::string& path) {
         return link(precious.c_str(), path.c_str());
       },
       true},
      {"desktop/Folder.url",
       [](const std::string&, const std::string& path) { return mkdir(path.c_str(), 0700); },
       false},
  };
  for (const auto& testCase : kCases) {
    SCOPED_TRACE(testCase.name);
    ASSERT_EQ(testCase.make(Path("precious.txt"), Path(testCase.name)), 0);
    const auto document =
        Document("<config><shortcut desktop='" + RegValue(testCase.name) + "'/></config>");
    EXPECT_TRUE(RemoveShortcuts(document));
    struct stat status {};
    EXPECT_EQ(lstat(Path(testCase.name).c_str(), &status) != 0, testCase.deleted);
    EXPECT_EQ(ReadFile(Path("precious.txt")), "precious");
  }
}

// A shortcut file goes only where shortcuts live, judged by the folder it lies in
// (C: is the scratch "drive/c"; the user's folders are the scratch "desktop" and
// "menu"): another user's desktop or any other folder keeps its ".lnk" files, and
// an alias of a shell folder is that folder.
TEST_F(RemovalTest, ShortcutFilesGoOnlyWhereShortcutsLive) {
  const ScopedEnv drives("QIV_DRIVE_ROOT", Path("drive").c_str());
  for (const char* folder :
       {"drive", "drive/c", "drive/c/Users", "drive/c/Users/Public", "drive/c/Users/Public/Desktop",
        "drive/c/Users/Other", "drive/c/Users/Other/Desktop", "drive/c/Fake",
        "drive/c/Fake/Desktop", "menu/Programs", "menu/Programs/Vendor", "games", "games/Title",
        "games/Title/bin", "elsewhere"}) {
    ASSERT_EQ(mkdir(Path(folder).c_str(), 0700), 0) << folder;
  }
  ASSERT_EQ(symlink(Path("drive/c/Users/Public").c_str(), Path("drive/c/AllUsers").c_str()), 0);
  const std::string game = "games/Title";
  const struct {
    const char* name;
    std::string file;     // scratch path of the file
    std::wstring listed;  // as the document names it
    bool gameAccepted;    // the guard let the game's folder go
    bool deleted;
  } rows[] = {
      {"the user's desktop", "desktop/Game.lnk", WinPath("desktop/Game.lnk"), true, true},
      {"the common desktop", "drive/c/Users/Public/Desktop/Game.lnk",
       L"C:\\Users\\Public\\Desktop\\Game.lnk", true, true},
      {"the common desktop by another path", "drive/c/Users/Public/Desktop/Other.lnk",
       L"C:\\AllUsers\\Desktop\\Other.lnk", true, true},
      {"a start menu subfolder", "menu/Programs/Vendor/Game.lnk",
       WinPath("menu/Programs/Vendor/Game.lnk"), true, true},
      {"the game's folder", game + "/bin/Game.url", WinPath(game + "/bin/Game.url"), true, true},
      {"a refused game's folder", game + "/Game.lnk", WinPath(game + "/Game.lnk"), false, false},
      {"another profile's desktop", "drive/c/Users/Other/Desktop/Game.lnk",
       L"C:\\Users\\Other\\Desktop\\Game.lnk", true, false},
      {"a folder named like a desktop", "drive/c/Fake/Desktop/Game.lnk",
       L"C:\\Fake\\Desktop\\Game.lnk", true, false},
      {"a folder elsewhere", "elsewhere/Game.lnk", WinPath("elsewhere/Game.lnk"), true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    WriteFile(Path(row.file), "shell link");
    std::string listed;
    for (char c : qiv::posix::Utf16ToUtf8(row.listed)) listed += c;
    WriteFile(Path(game + "/appinstallconfig.xml"),
              "<config><shortcut desktop='" + listed + "'/></config>");
    EXPECT_TRUE(RemoveShortcuts(String::_tstringW(WinPath(game + "/appinstallconfig.xml")),
                                row.gameAccepted ? WinPath(game) : std::wstring()));
    EXPECT_EQ(!Exists(Path(row.file)), row.deleted);
  }
}

}  // namespace

#endif  // _WIN32
