// Proof, the coreutils way, that UninstallGames deletes nothing it must not: a
// corpus of dangerous install paths and registry items, each run through the full
// mode over a platform that records every deletion request and performs none.
// Every entry must cause no request beyond the game's own registration (and the
// product key), while the controls show that the recorder sees real requests.
#ifndef _WIN32

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "commands/uninstall_games.h"
#include "platform/posix/deletion_hooks.h"
#include "platform/posix/utf.h"
#include "support/registry_scratch.h"

namespace {

using qiv::posix::DeletionKind;
using qiv::posix::DeletionRequest;
using qiv::testing::Exists;
using qiv::testing::ScopedEnv;
using qiv::testing::WriteFile;

const std::string kProduct = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvandel\\Vantor";
const std::wstring kProductKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvandel\\Vantor";
const std::wstring kGameKey = kProductKey + L"\\Game";

// Backslashes and quotes escaped for a .reg string value.
std::string RegString(const std::wstring& text) {
  std::string escaped;
  for (char c : qiv::posix::Utf16ToUtf8(text)) {
    if (c == '\\' || c == '"') escaped.push_back('\\');
    escaped.push_back(c);
  }
  return escaped;
}

std::string XmlAttribute(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '\'':
        escaped += "&apos;";
        break;
      default:
        escaped.push_back(c);
    }
  }
  return escaped;
}

std::wstring AsWindowsPath(const std::string& posixPath) {
  std::wstring path = L"Z:" + qiv::posix::Utf8ToUtf16(posixPath);
  for (wchar_t& unit : path) {
    if (unit == L'/') unit = L'\\';
  }
  return path;
}

std::string Describe(const std::vector<DeletionRequest>& requests) {
  std::string text;
  for (const DeletionRequest& request : requests) {
    text += request.kind == DeletionKind::kFile        ? " file "
            : request.kind == DeletionKind::kDirectory ? " dir "
            : request.kind == DeletionKind::kTree      ? " tree "
                                                       : " key ";
    text += qiv::posix::Utf16ToUtf8(request.target) + ";";
  }
  return text;
}

// Keys that a faulty guard would reach: each holds a subkey and a value, so a
// tree deletion would get as far as a request.
const char kSystemKeys[] =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Other]\r\n"
    "\"DisplayName\"=\"Other\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]\r\n"
    "\"Arial\"=\"arial.ttf\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{0000}\\InprocServer32]\r\n@=\"x.dll\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\exefile\\shell\\open]\r\n@=\"open\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Microsoft\\Windows]\r\n\"x\"=\"1\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows]\r\n\"x\"=\"1\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBC.INI\\Source]\r\n\"x\"=\"1\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvandel\\Launcher]\r\n\"x\"=\"1\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip]\r\n\"x\"=\"1\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\GameVendor\\Game\\Settings]\r\n\"x\"=\"1\"\r\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n\"x\"=\"1\"\r\n"
    "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n\"Wallpaper\"=\"w\"\r\n"
    "[HKEY_CURRENT_USER\\Environment\\Sub]\r\n\"PATH\"=\"p\"\r\n"
    "[HKEY_USERS\\.DEFAULT\\Software\\Microsoft]\r\n\"x\"=\"1\"\r\n"
    "[HKEY_USERS\\S-1-5-21-1-2-3-1001\\Software\\Microsoft]\r\n\"x\"=\"1\"\r\n"
    "[HKEY_USERS\\S-1-5-21-1-2-3-1001_Classes\\CLSID\\{0000}]\r\n\"x\"=\"1\"\r\n"
    "[HKEY_USERS\\S-1-5-21-1-2-3-1001\\Software\\GameVendor\\Game\\Settings]\r\n\"x\"=\"1\"\r\n"
    "[HKEY_USERS\\S-1-5-21-1-2-3-1001_Classes\\.gamesave\\shell]\r\n\"x\"=\"1\"\r\n"
    "[HKEY_CLASSES_ROOT\\CLSID\\{0000}\\InprocServer32]\r\n@=\"x.dll\"\r\n"
    "[HKEY_CLASSES_ROOT\\*\\shell\\open]\r\n@=\"open\"\r\n"
    "[HKEY_CLASSES_ROOT\\.exe\\PersistentHandler]\r\n@=\"x\"\r\n"
    "[HKEY_CLASSES_ROOT\\exefile\\shell\\open]\r\n@=\"open\"\r\n"
    "[HKEY_CLASSES_ROOT\\Directory\\shell\\open]\r\n@=\"open\"\r\n"
    "[HKEY_CLASSES_ROOT\\Interface\\{1111}\\ProxyStubClsid32]\r\n@=\"x\"\r\n"
    "[HKEY_CLASSES_ROOT\\lnkfile\\shellex]\r\n@=\"x\"\r\n"
    "[HKEY_CURRENT_CONFIG\\Software\\Fonts]\r\n\"x\"=\"1\"\r\n";

class DeletionGuardCorpusTest : public qiv::testing::RegistryScratchTest {
 protected:
  void SetUp() override {
    RegistryScratchTest::SetUp();
    for (const char* dir :
         {"drive", "drive/c", "drive/c/Windows", "drive/c/Windows/System32",
          "drive/c/Windows/System32/drivers",
          // Spellings that name the Windows directory on Windows, made to exist here.
          "drive/c/Windows.", "drive/c/WINDOWS", "drive/c/Windows ", "drive/c/Program Files",
          "drive/c/Program Files/Common Files", "drive/c/Program Files (x86)",
          "drive/c/ProgramData", "drive/c/Users", "drive/c/Users/Public", "drive/c/Users/Default",
          "games", "games/Legit", "canary", "real-parent", "real-parent/Game",
          // Profiles, and the folders that must still go.
          "drive/c/Users/Other", "drive/c/Users/Other/Documents", "drive/c/Users/Other/AppData",
          "drive/c/Users/Other/AppData/Local", "drive/c/Users/Other/AppData/Local/Programs",
          "drive/c/Users/Other/AppData/Local/Programs/Game", "drive/c/Users/\xC5\x81ukasz",
          "drive/c/Users/\xC5\x81ukasz/Documents", "drive/c/Program Files (x86)/Vendor",
          "drive/c/Program Files (x86)/Vendor/Game", "drive/c/Games", "drive/c/Games/Title",
          "drive/d", "drive/d/Games", "drive/d/Games/Title", "games/Dir ", "games/Dir /Game",
          "games/Dir", "games/Dir/Game"}) {
      ASSERT_EQ(mkdir(Path(dir).c_str(), 0700), 0) << dir;
    }
    WriteFile(Path("canary/keep.txt"), "keep");
    WriteFile(Path("real-parent/Game/keep.txt"), "keep");
    ASSERT_EQ(symlink(Path("canary").c_str(), Path("games/Linked").c_str()), 0);
    ASSERT_EQ(symlink(Path("real-parent").c_str(), Path("link-parent").c_str()), 0);
    ASSERT_EQ(symlink(Path("canary").c_str(), Path("drive/c/Linked").c_str()), 0);
    // Drive X: is a second letter of drive C:, as "subst X: C:\" makes one.
    ASSERT_EQ(symlink("c", Path("drive/x").c_str()), 0);
    qiv::posix::SetDeletionRecorder(
        [this](const DeletionRequest& request) { requests_.push_back(request); });
  }

  void TearDown() override {
    qiv::posix::SetDeletionRecorder(nullptr);
    EXPECT_TRUE(Exists(Path("canary/keep.txt")));
    EXPECT_TRUE(Exists(Path("real-parent/Game/keep.txt")));
    RegistryScratchTest::TearDown();
  }

  // The requests of one full-mode run that address anything but the game's own
  // registration, the product key and `allowedTree`.
  std::vector<DeletionRequest> Unexpected(const std::string& registry,
                                          const std::wstring& allowedTree = L"") {
    WriteRegistry(registry);
    requests_.clear();
    UninstallGames(L"UninstallGame");
    std::vector<DeletionRequest> unexpected;
    for (const DeletionRequest& request : requests_) {
      const bool allowed = (request.kind == DeletionKind::kRegistryKey &&
                            (request.target == kGameKey || request.target == kProductKey)) ||
                           (!allowedTree.empty() && WithinTree(request, allowedTree));
      if (!allowed) unexpected.push_back(request);
    }
    return unexpected;
  }

  // A request that deletes `tree` or something inside it: the tree as a whole, or
  // an entry of it through a handle the walk opened from the held folder (named
  // literally), or the schedule of one for the restart.
  static bool WithinTree(const DeletionRequest& request, const std::wstring& tree) {
    if (request.kind == DeletionKind::kTree) return request.target == tree;
    if (request.kind != DeletionKind::kFile && request.kind != DeletionKind::kDirectory) {
      return false;
    }
    const std::wstring literal = L"\\\\?\\" + tree;
    return request.target == literal || request.target.rfind(literal + L"\\", 0) == 0;
  }

  static std::string GameAt(const std::wstring& installPath) {
    return "[" + kProduct + "\\Game]\r\n\"INSTALL_PATH\"=\"" + RegString(installPath) + "\"\r\n";
  }

  // A game installed in games/Legit whose document lists `items` in `list`.
  std::string GameListing(const std::string& list, const std::string& items) {
    WriteFile(Path("games/Legit/appinstallconfig.xml"), "<config><registry language='en'><" + list +
                                                            ">" + items + "</" + list +
                                                            "></registry></config>");
    return GameAt(WinPath("games/Legit")) + kSystemKeys;
  }

  std::vector<DeletionRequest> requests_;
  ScopedEnv driveRoot_{"QIV_DRIVE_ROOT", Path("drive").c_str()};
};

TEST_F(DeletionGuardCorpusTest, DangerousInstallPathsRequestNoDeletion) {
  std::vector<std::wstring> corpus = {
      L"",
      L" ",
      L"  \\ ",
      L".",
      L"..\\..",
      L"games",
      L"C:",
      L"C:\\",
      L"C:/",
      L"C:\\\\",
      L"\\\\?\\C:\\",
      L"\\\\.\\C:\\",
      L"C:\\.",
      L"C:\\.\\.\\",
      L"C:\\Windows\\..",
      L"C:\\Program Files\\..\\",
      L"C:games",
      L"C:\\Windows",
      L"c:\\WINDOWS\\",
      L"C:/Windows/",
      L"C:\\Windows.",
      L"C:\\Windows \\",
      L"\\\\?\\C:\\Windows",
      L"C:\\Windows\\System32",
      L"C:\\Windows\\System32\\drivers",
      L"C:\\Windows\\..\\Windows",
      L"C:\\Program Files",
      L"C:\\Program Files\\",
      L"C:\\Program Files\\Common Files\\..",
      L"C:\\Program Files (x86)",
      L"C:\\ProgramData",
      L"C:\\Users",
      L"C:\\Users\\Public",
      L"C:\\Users\\Default\\",
      L"C:\\Linked",
      L"\\\\server\\share",
      L"\\\\server\\share\\",
      L"\\\\?\\UNC\\server\\share",
      L"\\",
      L"\\\\",
      L"/",
      L"Z:",
      L"Z:\\",
      L"Z:\\tmp",
      L"Z:\\tmp\\",
      L"Z:\\home",
      L"Z:\\usr",
      L"Z:\\usr\\share",
      L"Z:\\etc",
      L"\\etc",
      L"Z:\\var",
      L"Z:\\proc\\self",
      WinPath("games/Linked"),
      WinPath("games/Linked\\"),
      WinPath("link-parent\\Game"),
      WinPath("games\\..\\link-parent\\Game"),
      WinPath("games/Missing"),
      WinPath("games\\*"),
      WinPath("games\\Leg?t"),
  };
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    corpus.push_back(AsWindowsPath(home));
  }
  char module[PATH_MAX + 1] = {};
  if (readlink("/proc/self/exe", module, PATH_MAX) > 0) {
    std::string directory(module);
    corpus.push_back(AsWindowsPath(directory.substr(0, directory.rfind('/'))));
  }
  ASSERT_GE(corpus.size(), 40u);

  for (const std::wstring& installPath : corpus) {
    const std::vector<DeletionRequest> unexpected = Unexpected(GameAt(installPath));
    EXPECT_TRUE(unexpected.empty())
        << qiv::posix::Utf16ToUtf8(installPath) << " ->" << Describe(unexpected);
  }
}

TEST_F(DeletionGuardCorpusTest, DangerousRegistryItemsRequestNoDeletion) {
  struct Item {
    const char* root;  // null: no rootpath attribute
    const char* path;  // null: no path attribute
  };
  const Item corpus[] = {
      {"HKEY_LOCAL_MACHINE", nullptr},
      {"HKEY_LOCAL_MACHINE", ""},
      {"HKEY_LOCAL_MACHINE", " "},
      {"HKEY_LOCAL_MACHINE", "\\"},
      {"HKEY_LOCAL_MACHINE", "."},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE"},
      {"HKEY_LOCAL_MACHINE", "software\\"},
      {"HKEY_LOCAL_MACHINE", "\\SOFTWARE"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\\\"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\.\\ "},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\GameVendor\\..\\Microsoft"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Classes"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Classes\\CLSID"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Classes\\exefile"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Policies"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\WOW6432Node"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\WOW6432Node\\Microsoft"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\ODBC"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Orvandel"},
      {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Orvandel\\Vantor"},
      {"HKEY_LOCAL_MACHINE", "SYSTEM"},
      {"HKEY_LOCAL_MACHINE", "SYSTEM\\CurrentControlSet\\Services"},
      {"HKEY_CURRENT_USER", "Software"},
      {"HKEY_CURRENT_USER", "Software\\Microsoft\\Windows\\CurrentVersion\\Run"},
      {"HKEY_CURRENT_USER", "Control Panel"},
      {"HKEY_CURRENT_USER", "Environment"},
      {"HKEY_USERS", ""},
      {"HKEY_USERS", ".DEFAULT"},
      {"HKEY_USERS", "S-1-5-21-1-2-3-1001"},
      {"HKEY_USERS", "S-1-5-21-1-2-3-1001\\Software"},
      {"HKEY_USERS", "S-1-5-21-1-2-3-1001_Classes\\CLSID"},
      // Another user's own product keys are that user's.
      {"HKEY_USERS", "S-1-5-21-1-2-3-1001\\Software\\GameVendor\\Game"},
      {"HKEY_USERS", "S-1-5-21-1-2-3-1001_Classes\\.gamesave"},
      {"HKEY_CLASSES_ROOT", ""},
      {"HKEY_CLASSES_ROOT", "CLSID"},
      {"HKEY_CLASSES_ROOT", "*"},
      {"HKEY_CLASSES_ROOT", ".exe"},
      {"HKEY_CLASSES_ROOT", "exefile"},
      {"HKEY_CLASSES_ROOT", "Directory"},
      {"HKEY_CLASSES_ROOT", "Interface"},
      {"HKEY_CLASSES_ROOT", "lnkfile"},
      {nullptr, "CLSID"},
      {"hkey_local_machine", "CLSID"},
      {"HKEY_CLASSES_ROOT ", "*"},
      {"HKEY_CURRENT_CONFIG", "Software"},
      {"HKEY_PERFORMANCE_DATA", "Global"},
  };
  ASSERT_GE(std::size(corpus), 40u);

  for (const Item& item : corpus) {
    std::string element = "<item";
    if (item.root != nullptr) element += " rootpath='" + XmlAttribute(item.root) + "'";
    if (item.path != nullptr) element += " path='" + XmlAttribute(item.path) + "'";
    element += "/>";
    for (const char* list : {"appitems", "vantoritems"}) {
      const std::vector<DeletionRequest> unexpected =
          Unexpected(GameListing(list, element), WinPath("games/Legit"));
      EXPECT_TRUE(unexpected.empty()) << list << " " << element << " ->" << Describe(unexpected);
    }
  }
}

// Other spellings of protected folders: another drive letter of the same drive, the
// Z: view of a mapped drive, "\\?\" and "\\.\", trailing dots and blanks, "." and
// "..", and other users' profiles. Each must be refused; each control must be
// requested as exactly the folder it names.
TEST_F(DeletionGuardCorpusTest, AliasesOfProtectedFoldersAreJudgedByIdentity) {
  const std::wstring c = WinPath("drive/c");
  const struct {
    std::wstring installPath;
    std::wstring deleted;  // empty: refused
  } corpus[] = {
      {L"X:\\", L""},
      {L"X:\\Windows", L""},
      {L"X:\\windows\\System32", L""},
      {L"X:\\Windows\\System32\\drivers\\", L""},
      {L"X:\\ProgramData", L""},
      {L"X:\\Program Files (x86)", L""},
      {L"X:\\Users", L""},
      {L"X:\\Users\\Other", L""},
      {L"X:\\Users\\Other\\Documents", L""},
      {L"X:\\Users\\Other\\AppData\\Local", L""},
      {c, L""},
      {c + L"\\ProgramData", L""},
      {c + L"\\Windows\\System32", L""},
      {c + L"\\Users\\Other", L""},
      {WinPath("drive/x"), L""},
      {L"\\\\?\\X:\\ProgramData", L""},
      {L"\\\\.\\X:\\Users\\Other", L""},
      {L"\\\\?\\" + c + L"\\Program Files", L""},
      {L"\\\\.\\C:\\ProgramData", L""},
      {L"C:\\ProgramData.", L""},
      {L"C:\\ProgramData. . ", L""},
      {L"X:\\Users\\Other. ", L""},
      {L"C:\\ProgramData\\.", L""},
      {L"C:\\Games\\..\\ProgramData", L""},
      {L"X:\\Games\\..\\Users\\Other\\.\\Documents", L""},
      {L"C:\\Users\\Other\\Documents\\..", L""},
      {L"C:\\Users\\Other", L""},
      {L"C:\\Users\\Other\\Documents", L""},
      {L"C:\\Users\\Other\\AppData", L""},
      {L"C:\\Users\\\u0141ukasz", L""},
      {L"C:\\Users\\\u0141ukasz\\Documents", L""},
      {L"C:\\Users\\\u0142ukasz\\Documents", L""},
      // Controls.
      {L"C:\\Program Files (x86)\\Vendor\\Game", L"C:\\Program Files (x86)\\Vendor\\Game"},
      {L"D:\\Games\\Title\\", L"D:\\Games\\Title"},
      {L"C:\\Users\\Other\\AppData\\Local\\Programs\\Game",
       L"C:\\Users\\Other\\AppData\\Local\\Programs\\Game"},
      {L"X:\\Games\\Title", L"X:\\Games\\Title"},
      {L"X:\\Games\\Title.", L"X:\\Games\\Title"},
      {L"\\\\?\\D:\\Games\\Title", L"D:\\Games\\Title"},
      {c + L"\\Games\\.\\Title", c + L"\\Games\\Title"},
      // A blank at the end of a middle name is part of that folder's name.
      {WinPath("games/Dir \\Game"), WinPath("games/Dir \\Game")},
      {WinPath("games/Dir\\Game"), WinPath("games/Dir\\Game")},
  };
  for (const auto& entry : corpus) {
    const std::string name = qiv::posix::Utf16ToUtf8(entry.installPath);
    const std::vector<DeletionRequest> unexpected =
        Unexpected(GameAt(entry.installPath), entry.deleted);
    EXPECT_TRUE(unexpected.empty()) << name << " ->" << Describe(unexpected);
    if (entry.deleted.empty()) continue;
    const bool requested = std::any_of(requests_.begin(), requests_.end(),
                                       [&](const auto& r) { return WithinTree(r, entry.deleted); });
    EXPECT_TRUE(requested) << name << " was not deleted";
  }
}

// Whose a listed tree is, read from the registry: each row's keys are added to the
// registry of a game in games/Legit ("$GAME" below), which lists the row's item.
// A row goes when its tree is requested for deletion; every other row stays.
TEST_F(DeletionGuardCorpusTest, RegistryItemsGoOnlyWhenTheyAreTheGames) {
  const std::string uninstall =
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  const std::string appPaths =
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
  const std::string classes = "HKEY_CURRENT_USER\\Software\\Classes\\";
  const struct {
    std::string keys;  // .reg sections; $GAME is the game's folder
    const char* root;
    const char* path;
    bool goes;
  } corpus[] = {
      // Uninstall entries: where the product lives decides; else what it runs.
      {"[" + uninstall + "G]\r\n\"InstallLocation\"=\"$GAME\\\\\"\r\n", "HKEY_LOCAL_MACHINE",
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\G", true},
      {"[" + uninstall + "G]\r\n\"InstallLocation\"=\"\\\\\\\\?\\\\$GAME\"\r\n",
       "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\G", true},
      {"[" + uninstall + "G]\r\n\"InstallLocation\"=\"$GAME\\\\..\"\r\n", "HKEY_LOCAL_MACHINE",
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\G", false},
      {"[" + uninstall + "G]\r\n\"UninstallString\"=\"\\\"$GAME\\\\un.exe\\\" /S\"\r\n",
       "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\G", true},
      {"[" + uninstall +
           "G]\r\n\"UninstallString\"=\"$GAME\\\\un.exe\"\r\n"
           "\"DisplayIcon\"=\"C:\\\\Program Files\\\\Other\\\\o.exe,0\"\r\n",
       "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\G", false},
      {"[" + uninstall + "G]\r\n\"UninstallString\"=\"MsiExec.exe /X{1}\"\r\n",
       "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\G", false},
      {"[" + uninstall + "G]\r\n\"DisplayName\"=\"G\"\r\n", "HKEY_LOCAL_MACHINE",
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\G", false},
      // Part of another product's entry is judged by the entry.
      {"[" + uninstall + "G\\Sub]\r\n\"InstallLocation\"=\"$GAME\"\r\n[" + uninstall +
           "G]\r\n\"InstallLocation\"=\"C:\\\\Other\"\r\n",
       "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\G\\Sub",
       false},
      // App Paths: the program and its folder.
      {"[" + appPaths + "g.exe]\r\n@=\"$GAME\\\\g.exe\"\r\n\"Path\"=\"$GAME\"\r\n",
       "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\g.exe",
       true},
      {"[" + appPaths + "g.exe]\r\n@=\"$GAME\\\\g.exe\"\r\n\"Path\"=\"C:\\\\Tools\"\r\n",
       "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\g.exe",
       false},
      {"[" + appPaths + "g.exe]\r\n\"Path\"=\"$GAME\"\r\n", "HKEY_LOCAL_MACHINE",
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\g.exe", false},
      // Classes: everything they name inside, and something named.
      {"[" + classes + "G.Doc\\shell\\open\\command]\r\n@=\"$GAME\\\\g.exe %1\"\r\n",
       "HKEY_CURRENT_USER", "Software\\Classes\\G.Doc", true},
      {"[" + classes + "G.Doc\\shell\\open\\command]\r\n@=\"$GAME\\\\g.exe\"\r\n[" + classes +
           "G.Doc\\DefaultIcon]\r\n@=\"%SystemRoot%\\\\icons.dll,3\"\r\n",
       "HKEY_CURRENT_USER", "Software\\Classes\\G.Doc", false},
      {"[" + classes + "G.Doc\\shell\\open\\command]\r\n@=\"$GAME\\\\g.exe\"\r\n[" + classes +
           "G.Doc\\DefaultIcon]\r\n@=\"%1\"\r\n",
       "HKEY_CURRENT_USER", "Software\\Classes\\G.Doc", true},
      {"[" + classes + "G.Doc\\shell\\open\\command]\r\n\"DelegateExecute\"=\"{1}\"\r\n",
       "HKEY_CURRENT_USER", "Software\\Classes\\G.Doc", false},
      {"[" + classes + "G.Doc\\shell\\open\\command]\r\n@=\"notepad.exe %1\"\r\n",
       "HKEY_CURRENT_USER", "Software\\Classes\\G.Doc", false},
      {"[" + classes +
           "G.Doc\\shell\\open\\command]\r\n@=\"$GAME\\\\..\\\\..\\\\canary\\\\x.exe\"\r\n",
       "HKEY_CURRENT_USER", "Software\\Classes\\G.Doc", false},
      {"[" + classes + "G.Doc]\r\n\"FriendlyTypeName\"=\"Saved game\"\r\n", "HKEY_CURRENT_USER",
       "Software\\Classes\\G.Doc", false},
      // A part of a class is judged by the whole class.
      {"[" + classes + "G.Doc\\shell\\open\\command]\r\n@=\"C:\\\\Mail\\\\m.exe\"\r\n[" + classes +
           "G.Doc\\shell\\print\\command]\r\n@=\"$GAME\\\\g.exe\"\r\n",
       "HKEY_CURRENT_USER", "Software\\Classes\\G.Doc\\shell\\print", false},
      {"[HKEY_CLASSES_ROOT\\CLSID\\{1}\\InprocServer32]\r\n@=\"$GAME\\\\g.dll\"\r\n",
       "HKEY_CLASSES_ROOT", "CLSID\\{1}", true},
      {"[HKEY_CLASSES_ROOT\\CLSID\\{1}\\InprocServer32]\r\n@=\"C:\\\\Windows\\\\x.dll\"\r\n",
       "HKEY_CLASSES_ROOT", "CLSID\\{1}", false},
      // An extension goes with the classes it names, looked up beside it.
      {"[" + classes + ".gsave]\r\n@=\"G.Doc\"\r\n[" + classes +
           "G.Doc\\shell\\open\\command]\r\n@=\"\\\"$GAME\\\\g.exe\\\" \\\"%1\\\"\"\r\n",
       "HKEY_CURRENT_USER", "Software\\Classes\\.gsave", true},
      {"[" + classes +
           ".gsave]\r\n@=\"G.Doc\"\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\G.Doc"
           "\\shell\\open\\command]\r\n@=\"$GAME\\\\g.exe\"\r\n",
       "HKEY_CURRENT_USER", "Software\\Classes\\.gsave", false},
      {"[" + classes + ".gsave]\r\n@=\"G.Doc\"\r\n[" + classes +
           ".gsave\\OpenWithProgids]\r\n"
           "\"Other.Doc\"=\"\"\r\n[" +
           classes + "G.Doc\\shell\\open\\command]\r\n@=\"$GAME\\\\g.exe\"\r\n",
       "HKEY_CURRENT_USER", "Software\\Classes\\.gsave", false},
      {"[" + classes + ".gsave]\r\n\"Content Type\"=\"text/plain\"\r\n", "HKEY_CURRENT_USER",
       "Software\\Classes\\.gsave", false},
      // Vendor and product keys: no path of another owner, in value text or names.
      {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G]\r\n\"InstallPath\"=\"$GAME\"\r\n\"Lang\"="
       "\"en\"\r\n",
       "HKEY_LOCAL_MACHINE", "SOFTWARE\\Studio\\G", true},
      {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G]\r\n\"InstallPath\"=\"$GAME\"\r\n"
       "\"Tool\"=\"c:/program files/tool/t.exe\"\r\n",
       "HKEY_LOCAL_MACHINE", "SOFTWARE\\Studio\\G", false},
      {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Drivers\\List]\r\n\"C:\\\\Windows\\\\d.json\"=dword:"
       "00000000\r\n",
       "HKEY_LOCAL_MACHINE", "SOFTWARE\\Drivers", false},
      {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G]\r\n\"Dirs\"=hex(7):41,00,00,00,43,00,3a,00,5c,00,"
       "58,00,00,00,00,00\r\n",
       "HKEY_LOCAL_MACHINE", "SOFTWARE\\Studio\\G", false},
      {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G]\r\n\"Logs\"=\"%TEMP%\\\\g\"\r\n",
       "HKEY_LOCAL_MACHINE", "SOFTWARE\\Studio\\G", false},
      // Below a product key, the product key decides.
      {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G\\Settings]\r\n\"x\"=\"1\"\r\n"
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G]\r\n\"InstallPath\"=\"D:\\\\Other\"\r\n",
       "HKEY_LOCAL_MACHINE", "SOFTWARE\\Studio\\G\\Settings", false},
      // Policy and start-up keys, even when they name the game's program.
      {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution "
       "Options\\g.exe]\r\n\"Debugger\"=\"$GAME\\\\g.exe\"\r\n",
       "HKEY_LOCAL_MACHINE",
       "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\g.exe",
       false},
      {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\{1}]\r\n"
       "\"StubPath\"=\"$GAME\\\\g.exe\"\r\n",
       "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\{1}", false},
  };
  const std::string game = RegString(WinPath("games/Legit"));
  for (const auto& row : corpus) {
    std::string keys = row.keys;
    for (size_t at = keys.find("$GAME"); at != std::string::npos; at = keys.find("$GAME")) {
      keys.replace(at, 5, game);
    }
    const std::string item =
        "<item rootpath='" + std::string(row.root) + "' path='" + XmlAttribute(row.path) + "'/>";
    const std::vector<DeletionRequest> unexpected =
        Unexpected(GameListing("appitems", item) + keys, WinPath("games/Legit"));
    const std::wstring tree = qiv::posix::Utf8ToUtf16(std::string(row.root) + "\\" + row.path);
    const bool requested = std::any_of(unexpected.begin(), unexpected.end(), [&](const auto& r) {
      return r.target.compare(0, tree.size(), tree) == 0;
    });
    EXPECT_EQ(requested, row.goes) << row.path << "\n" << keys;
    EXPECT_EQ(unexpected.size(), requested ? 1u : 0u) << row.path << Describe(unexpected);
  }
}

// A refused install directory holds nothing of the game's: a class naming a program
// in it stays.
TEST_F(DeletionGuardCorpusTest, RegistryItemsOfARefusedInstallDirectoryStay) {
  WriteFile(Path("drive/c/Windows/appinstallconfig.xml"),
            "<config><registry><appitems><item rootpath='HKEY_CLASSES_ROOT' path='W.Doc'/>"
            "</appitems></registry></config>");
  const std::vector<DeletionRequest> unexpected =
      Unexpected(GameAt(L"C:\\Windows") +
                 "[HKEY_CLASSES_ROOT\\W.Doc\\shell\\open\\command]\r\n"
                 "@=\"C:\\\\Windows\\\\notepad.exe %1\"\r\n");
  EXPECT_TRUE(unexpected.empty()) << Describe(unexpected);
}

// Other people's data that no fixed list names: another product's folder (the
// system's Uninstall lists), a user folder moved by a link or by Explorer, the
// OneDrive folders. Each canary's folder, and every folder holding it, is refused;
// the controls are deleted as exactly the folder they name.
TEST_F(DeletionGuardCorpusTest, OtherProductsAndMovedUserFoldersAreKept) {
  for (const char* dir : {"home",
                          "home/Games",
                          "home/Games/Title",
                          "home/Moved Music",
                          "drive/d/Shared",
                          "drive/d/Shared/Other",
                          "drive/d/Mine",
                          "drive/d/Mine/Other",
                          "drive/d/Rooted",
                          "drive/d/Rooted/Other",
                          "drive/d/Unins",
                          "drive/d/Unins/Other",
                          "drive/d/Icon",
                          "drive/d/Icon/Other",
                          "drive/d/Own",
                          "drive/d/Gone",
                          "drive/d/Client",
                          "drive/d/Client/Games",
                          "drive/d/Client/Games/Title",
                          "drive/d/Docs",
                          "drive/d/Data",
                          "drive/d/Data/Photos",
                          "drive/d/Data/Other",
                          "drive/d/Downloads",
                          "drive/c/Users/Moved",
                          "drive/c/Users/Other/OneDrive - Contoso"}) {
    ASSERT_EQ(mkdir(Path(dir).c_str(), 0700), 0) << dir;
  }
  // Documents and Pictures moved to drive D: by links, as junctions do it.
  ASSERT_EQ(symlink(Path("drive/d/Docs").c_str(), Path("drive/c/Users/Moved/Documents").c_str()),
            0);
  ASSERT_EQ(
      symlink(Path("drive/d/Data/Photos").c_str(), Path("drive/c/Users/Moved/Pictures").c_str()),
      0);
  const ScopedEnv home("HOME", Path("home").c_str());
  // Sections of the registry file; values are written as .reg text.
  const auto product = [](const std::string& root, const std::string& name,
                          const std::string& values) {
    return "[" + root + "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name +
           "]\r\n" + values + "\r\n";
  };
  const std::string others =
      product("HKEY_LOCAL_MACHINE", "Other", R"("InstallLocation"="D:\\Shared\\Other\\")") +
      product("HKEY_CURRENT_USER", "Mine", R"("InstallLocation"="D:\\Mine\\Other")") +
      // Named from the root of the current drive, as the stand-in's own paths are.
      product("HKEY_LOCAL_MACHINE", "Rooted",
              "\"InstallLocation\"=\"" + Path("drive/d/Rooted/Other") + "\"") +
      product("HKEY_LOCAL_MACHINE", "Unins",
              R"("UninstallString"="\"D:\\Unins\\Other\\unins000.exe\" /SILENT")") +
      product("HKEY_LOCAL_MACHINE", "Icon",
              R"("UninstallString"="MsiExec.exe /X{1}")"
              "\r\n"
              R"("DisplayIcon"="D:\\Icon\\Other\\app.exe,0")") +
      // The game's own entry, a product that has gone, a client holding the game.
      product("HKEY_LOCAL_MACHINE", "Own",
              R"("InstallLocation"="D:\\Own")"
              "\r\n"
              R"("DisplayIcon"="D:\\Own\\bin\\game.exe")") +
      product("HKEY_LOCAL_MACHINE", "Gone", R"("InstallLocation"="D:\\Gone\\Old")") +
      product("HKEY_LOCAL_MACHINE", "Client", R"("InstallLocation"="D:\\Client")") +
      // Where Explorer says the user's folders are: by known-folder id and by
      // legacy name, the profile standing for %USERPROFILE%.
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
      "User Shell Folders]\r\n"
      R"("{374DE290-123F-4565-9164-39C4925E467B}"="D:\\Downloads")"
      "\r\n"
      R"("My Music"="%USERPROFILE%\\Moved Music")"
      "\r\n";
  const struct {
    std::wstring installPath;
    std::wstring deleted;  // empty: refused
  } corpus[] = {
      {L"D:\\Shared", L""},
      {L"D:\\Mine", L""},
      {L"D:\\Rooted", L""},
      {L"D:\\Unins", L""},
      {L"D:\\Icon", L""},
      {L"D:\\Docs", L""},
      {L"D:\\Data", L""},
      {L"D:\\Data\\Photos", L""},
      {L"D:\\Downloads", L""},
      {WinPath("home/Moved Music"), L""},
      {L"C:\\Users\\Other\\OneDrive - Contoso", L""},
      // Controls. An entry naming the install directory itself is the game's own.
      {L"D:\\Own", L"D:\\Own"},
      {L"D:\\Shared\\Other", L"D:\\Shared\\Other"},
      {L"D:\\Gone", L"D:\\Gone"},
      {L"D:\\Client\\Games\\Title", L"D:\\Client\\Games\\Title"},
      {L"D:\\Data\\Other", L"D:\\Data\\Other"},
      {WinPath("home/Games/Title"), WinPath("home/Games/Title")},
  };
  for (const auto& entry : corpus) {
    const std::string name = qiv::posix::Utf16ToUtf8(entry.installPath);
    const std::vector<DeletionRequest> unexpected =
        Unexpected(GameAt(entry.installPath) + others, entry.deleted);
    EXPECT_TRUE(unexpected.empty()) << name << " ->" << Describe(unexpected);
    if (entry.deleted.empty()) continue;
    const bool requested = std::any_of(requests_.begin(), requests_.end(),
                                       [&](const auto& r) { return WithinTree(r, entry.deleted); });
    EXPECT_TRUE(requested) << name << " was not deleted";
  }
}

// The controls: the same runs with a legitimate directory and item do reach the
// recorder, so an empty record above means nothing was asked for.
TEST_F(DeletionGuardCorpusTest, LegitimateTargetsAreRequested) {
  const std::string registry = GameListing(
      "appitems", "<item rootpath='HKEY_LOCAL_MACHINE' path='SOFTWARE\\GameVendor\\Game'/>");
  const std::vector<DeletionRequest> unexpected = Unexpected(registry);
  ASSERT_GE(unexpected.size(), 2u) << Describe(unexpected);
  EXPECT_EQ(unexpected[0].kind, DeletionKind::kRegistryKey);
  EXPECT_EQ(unexpected[0].target,
            L"HKEY_LOCAL_MACHINE\\SOFTWARE\\GameVendor\\Game\\Settings");  // deepest first
  // Then the install directory's contents, through the walk's handles.
  for (size_t index = 1; index < unexpected.size(); ++index) {
    EXPECT_TRUE(WithinTree(unexpected[index], WinPath("games/Legit"))) << Describe(unexpected);
  }
  // Nothing was deleted: the recorder stands in for the deletion.
  EXPECT_TRUE(Exists(Path("games/Legit/appinstallconfig.xml")));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\GameVendor\\Game\\Settings"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvandel\\Vantor\\Game"));
}

}  // namespace

#endif  // _WIN32
