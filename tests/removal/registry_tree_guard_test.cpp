#include "removal/registry_tree_guard.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "platform/current_user.h"

namespace {

using qiv::removal::IsRegistryTreeRemovable;

struct GuardCase {
  HKEY root;
  const wchar_t* path;
};

TEST(RegistryTreeGuardTest, RefusesTreesTheSystemOrEveryApplicationOwns) {
  const GuardCase refused[] = {
      // Roots, written in every way that collapses onto them.
      {HKEY_LOCAL_MACHINE, L""},
      {HKEY_LOCAL_MACHINE, L"\\"},
      {HKEY_LOCAL_MACHINE, L" . \\\\ "},
      {HKEY_CLASSES_ROOT, L""},
      {HKEY_USERS, L""},
      // Whole hives and the system's part of them.
      {HKEY_LOCAL_MACHINE, L"SOFTWARE"},
      {HKEY_LOCAL_MACHINE, L"software\\"},
      {HKEY_LOCAL_MACHINE, L"SYSTEM"},
      {HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\Tcpip"},
      {HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION"},
      {HKEY_LOCAL_MACHINE, L"SAM\\SAM"},
      {HKEY_CURRENT_USER, L"Control Panel\\Desktop"},
      {HKEY_CURRENT_USER, L"Environment"},
      {HKEY_CURRENT_USER, L"Software"},
      {HKEY_USERS, L".DEFAULT"},
      {HKEY_USERS, L"S-1-5-21-1-2-3-1001"},
      {HKEY_USERS, L"S-1-5-21-1-2-3-1001\\Software"},
      {HKEY_USERS, L"S-1-5-21-1-2-3-1001\\Control Panel\\Desktop"},
      {HKEY_USERS, L"S-1-5-21-1-2-3-1001_Classes"},
      {HKEY_CURRENT_CONFIG, L"Software\\Fonts"},
      {HKEY_PERFORMANCE_DATA, L"Global"},
      // Shared containers below SOFTWARE, with and without the 32-bit mirror.
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\"},
      {HKEY_LOCAL_MACHINE, L"Software\\.\\microsoft"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Cryptography"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Policies\\Microsoft\\Windows"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\Microsoft"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node\\Classes"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\Classes\\CLSID"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Clients"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Clients\\StartMenuInternet"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\RegisteredApplications"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\ODBC\\ODBC.INI"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvandel"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvandel\\Vantor\\"},
      {HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer"},
      {HKEY_USERS, L"S-1-5-21-1-2-3-1001\\Software\\Microsoft"},
      // Classes: shared containers and the system's own classes.
      {HKEY_CLASSES_ROOT, L"CLSID"},
      {HKEY_CLASSES_ROOT, L"clsid\\"},
      {HKEY_CLASSES_ROOT, L"Interface"},
      {HKEY_CLASSES_ROOT, L"TypeLib"},
      {HKEY_CLASSES_ROOT, L"AppID"},
      {HKEY_CLASSES_ROOT, L"MIME\\Database\\Content Type"},
      {HKEY_CLASSES_ROOT, L"*"},
      {HKEY_CLASSES_ROOT, L"*\\shellex\\ContextMenuHandlers"},
      {HKEY_CLASSES_ROOT, L"Directory"},
      {HKEY_CLASSES_ROOT, L"Folder\\shell"},
      {HKEY_CLASSES_ROOT, L".exe"},
      {HKEY_CLASSES_ROOT, L"exefile\\shell\\open\\command"},
      {HKEY_CLASSES_ROOT, L".lnk"},
      {HKEY_CLASSES_ROOT, L"Wow6432Node"},
      {HKEY_CLASSES_ROOT, L"Wow6432Node\\CLSID"},
      {HKEY_CURRENT_USER, L"Software\\Classes\\CLSID"},
      {HKEY_USERS, L"S-1-5-21-1-2-3-1001_Classes\\Interface"},
      // A ".." would hide what the path really names.
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\..\\Microsoft"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\Game\\.."},
      // Case folding reaches the letters whose capitals are ASCII.
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\M\u0131crosoft"},
  };
  for (const GuardCase& c : refused) {
    EXPECT_FALSE(IsRegistryTreeRemovable(c.root, c.path)) << testing::PrintToString(c.path);
  }
}

TEST(RegistryTreeGuardTest, AllowsTheKeysOfOneProduct) {
  const GuardCase allowed[] = {
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvandel\\Vantor\\Game1"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\Game"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor\\Game\\"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node\\Vendor\\Game"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Game"},
      {HKEY_LOCAL_MACHINE,
       L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{GUID}"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\game.exe"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Tracing\\game_RASAPI32"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Clients\\Media\\GamePlayer"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\.gamesave"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\CLSID\\{11111111-2222-3333-4444-555555555555}"},
      {HKEY_CURRENT_USER, L"Software\\Vendor\\Game"},
      {HKEY_CURRENT_USER, L"Software\\Classes\\Vendor.Document"},
      // File types and classes of one game, one component long.
      {HKEY_CLASSES_ROOT, L".gamesave"},
      {HKEY_CLASSES_ROOT, L"Vendor.Document"},
      {HKEY_CLASSES_ROOT, L"Vendor.Document\\shell\\open\\command"},
      {HKEY_CLASSES_ROOT, L"gameprotocol"},
      {HKEY_CLASSES_ROOT, L"CLSID\\{11111111-2222-3333-4444-555555555555}"},
      {HKEY_CLASSES_ROOT, L"TypeLib\\{11111111-2222-3333-4444-555555555555}"},
      {HKEY_CLASSES_ROOT, L"Wow6432Node\\CLSID\\{11111111-2222-3333-4444-555555555555}"},
      {HKEY_CLASSES_ROOT, L"MIME\\Database\\Content Type\\application/x-game"},
  };
  for (const GuardCase& c : allowed) {
    EXPECT_TRUE(IsRegistryTreeRemovable(c.root, c.path)) << testing::PrintToString(c.path);
  }
}

// Which row of the rule table a tree falls in, and which key's contents decide: the
// whole entry, class or product key also when only a part of it is listed, spelt as
// the item spells it.
TEST(RegistryTreeGuardTest, NamesTheKeyWhoseContentsDecide) {
  using qiv::removal::ClassifyRegistryTree;
  using Rule = qiv::removal::TreeOwnerRule;
  const struct {
    HKEY root;
    const wchar_t* path;
    Rule rule;
    const wchar_t* owner;
    const wchar_t* classes;
  } corpus[] = {
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\G\\Sub",
       Rule::kUninstallEntry, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\G", L""},
      {HKEY_LOCAL_MACHINE,
       L"Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\g.exe",
       Rule::kAppPathsEntry,
       L"Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\g.exe", L""},
      {HKEY_CLASSES_ROOT, L"G.Doc\\shell\\open\\command", Rule::kClass, L"G.Doc", L""},
      {HKEY_CLASSES_ROOT, L".gsave\\ShellNew", Rule::kFileExtension, L".gsave", L""},
      {HKEY_CURRENT_USER, L"Software\\Classes\\.gsave", Rule::kFileExtension,
       L"Software\\Classes\\.gsave", L"Software\\Classes"},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Wow6432Node\\.gsave", Rule::kFileExtension,
       L"SOFTWARE\\Classes\\Wow6432Node\\.gsave", L"SOFTWARE\\Classes\\Wow6432Node"},
      {HKEY_CLASSES_ROOT, L"CLSID\\{1}\\InprocServer32", Rule::kClass, L"CLSID\\{1}", L""},
      {HKEY_CLASSES_ROOT, L"MIME\\Database\\Content Type\\x/y\\z", Rule::kClass,
       L"MIME\\Database\\Content Type\\x/y", L""},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Clients\\Mail\\M\\shell", Rule::kClass,
       L"SOFTWARE\\Clients\\Mail\\M", L""},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Khronos", Rule::kNoOtherOwner, L"SOFTWARE\\Khronos", L""},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvandel\\Vantor\\Game1\\Patches", Rule::kNoOtherOwner,
       L"SOFTWARE\\Orvandel\\Vantor\\Game1", L""},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Studio\\ Game \\.\\Settings", Rule::kNoOtherOwner,
       L"SOFTWARE\\Studio\\ Game ", L""},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Tracing\\g_RASAPI32\\x", Rule::kNoOtherOwner,
       L"SOFTWARE\\Microsoft\\Tracing\\g_RASAPI32", L""},
      {HKEY_LOCAL_MACHINE,
       L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\g.exe",
       Rule::kNever, L"", L""},
      {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\{1}",
       Rule::kNever, L"", L""},
  };
  for (const auto& c : corpus) {
    const auto owner = ClassifyRegistryTree(c.root, c.path);
    EXPECT_EQ(owner.rule, c.rule) << testing::PrintToString(c.path);
    EXPECT_EQ(owner.ownerKey, c.owner) << testing::PrintToString(c.path);
    EXPECT_EQ(owner.classesKey, c.classes) << testing::PrintToString(c.path);
  }
}

// In HKEY_USERS only the running user's own hives are the program's to change:
// another user's, the default profile's and a look-alike SID are theirs.
TEST(RegistryTreeGuardTest, HkeyUsersOnlyBelowTheCurrentUser) {
  const std::wstring sid = qiv::platform::CurrentUserSid();
  ASSERT_FALSE(sid.empty());
  std::wstring lower = sid;
  for (wchar_t& unit : lower) unit = static_cast<wchar_t>(std::towlower(unit));
  for (const std::wstring& path :
       {sid + L"\\Software\\Vendor\\Game", lower + L"\\software\\vendor",
        sid + L"_Classes\\.gamesave", sid + L"_Classes\\Vendor.Document\\shell"}) {
    EXPECT_TRUE(IsRegistryTreeRemovable(HKEY_USERS, path)) << testing::PrintToString(path);
  }
  for (const std::wstring& path :
       {std::wstring(L"S-1-5-21-1-2-3-1001\\Software\\Vendor\\Game"),
        std::wstring(L".DEFAULT\\Software\\Vendor"), std::wstring(L"S-1-5-18\\Software\\Vendor"),
        std::wstring(L"S-1-5-21-1-2-3-1001_Classes\\.gamesave"), sid + L"0\\Software\\Vendor",
        sid + L"_Classes", sid + L"\\Software", sid + L"\\Control Panel\\Desktop"}) {
    EXPECT_FALSE(IsRegistryTreeRemovable(HKEY_USERS, path)) << testing::PrintToString(path);
  }
}

}  // namespace
