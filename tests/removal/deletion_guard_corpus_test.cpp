// Proof, the coreutils way, that UninstallGames deletes nothing it must not: a
// corpus of dangerous install paths and registry items, each table stated once and
// run two ways. On the POSIX stand-in each row goes through the full mode over a
// platform that records every deletion request and performs none: no row may cause
// a request beyond the game's own registration (and the product key), while the
// controls show that the recorder sees real requests. On both builds, the Windows
// one under Wine, each row also goes through the verdicts the full mode asks (the
// install directory guard over the protected folders the platform gathers, the
// registry tree guard and owner), over real system folders, scratch folders and a
// scratch registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "installconfig/install_config.h"
#include "platform/current_user.h"
#include "platform/folder_contents.h"
#include "platform/installed_products.h"
#include "platform/profile_folders.h"
#include "platform/protected_folders.h"
#include "platform/registry_key.h"
#include "platform/scoped_win32.h"
#include "platform/tstring.h"
#include "platform/win32.h"
#include "removal/delete/listed_registry_tree.h"
#include "removal/install_directory_guard.h"
#include "removal/registry_tree_guard.h"
#include "removal/registry_tree_owner.h"

#ifdef _WIN32
#include "platform/folder_identity.h"
#else
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "commands/uninstall_games.h"
#include "platform/posix/deletion_hooks.h"
#include "platform/posix/utf.h"
#include "support/registry_scratch.h"
#endif

namespace {

using qiv::platform::InstalledProduct;
using qiv::platform::ProtectedFolders;
using qiv::removal::InstallDirectoryGuard;

const std::string kProduct = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvandel\\Vantor";
const std::wstring kProductKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvandel\\Vantor";
const std::wstring kGameKey = kProductKey + L"\\Game";

std::string Utf8(const std::wstring& text) {
  std::string result;
  String::WideToUtf8(text.c_str(), result);
  return result;
}

std::wstring Wide(const std::string& text) {
  std::wstring result;
  String::Utf8ToWide(text.c_str(), result);
  return result;
}

// Backslashes and quotes escaped for a .reg string value.
std::string RegString(const std::wstring& text) {
  std::string escaped;
  for (char c : Utf8(text)) {
    if (c == '\\' || c == '"') escaped.push_back('\\');
    escaped.push_back(c);
  }
  return escaped;
}

// One key of a .reg text, with its values as the registry keeps them.
struct RegistryValue {
  std::wstring name;  // empty: the default value
  DWORD type = REG_SZ;
  std::vector<BYTE> data;
  // Data in Windows units of two bytes, whatever this build's wchar_t.
  std::wstring Text() const {
    std::wstring text;
    for (size_t at = 0; at + 1 < data.size() && (data[at] != 0 || data[at + 1] != 0); at += 2) {
      text.push_back(static_cast<wchar_t>(data[at] | data[at + 1] << 8));
    }
    return text;
  }
};
struct RegistrySection {
  std::wstring key;  // "HKEY_...\..."
  std::vector<RegistryValue> values;
};

// A quoted .reg string starting at `at`; `at` moves past its closing quote.
std::wstring QuotedText(const std::string& line, size_t& at) {
  std::string text;
  for (++at; at < line.size() && line[at] != '"'; ++at) {
    if (line[at] == '\\' && at + 1 < line.size()) ++at;
    text.push_back(line[at]);
  }
  ++at;
  return Wide(text);
}

// The sections of the .reg texts below: strings, dwords and hex(...) data, one line each.
std::vector<RegistrySection> ParseRegistryText(const std::string& text) {
  std::vector<RegistrySection> sections;
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
      sections.push_back({Wide(line.substr(1, line.size() - 2)), {}});
      continue;
    }
    if (sections.empty() || line.empty() || (line[0] != '"' && line[0] != '@')) continue;
    RegistryValue value;
    size_t at = 0;
    if (line[0] == '@') {
      at = 1;
    } else {
      value.name = QuotedText(line, at);
    }
    if (at >= line.size() || line[at] != '=') continue;
    const std::string data = line.substr(at + 1);
    if (data.rfind('"', 0) == 0) {
      size_t quote = 0;
      for (const wchar_t unit : QuotedText(data, quote) + L'\0') {
        value.data.push_back(static_cast<BYTE>(unit & 0xFF));
        value.data.push_back(static_cast<BYTE>(unit >> 8 & 0xFF));
      }
    } else if (data.rfind("dword:", 0) == 0) {
      const DWORD number = static_cast<DWORD>(std::strtoul(data.c_str() + 6, nullptr, 16));
      value.type = REG_DWORD;
      value.data.assign(reinterpret_cast<const BYTE*>(&number),
                        reinterpret_cast<const BYTE*>(&number) + sizeof number);
    } else {
      const size_t colon = data.find(':');
      const std::string kind = data.substr(0, colon);
      value.type = kind == "hex(7)"   ? REG_MULTI_SZ
                   : kind == "hex(2)" ? REG_EXPAND_SZ
                   : kind == "hex(6)" ? REG_LINK
                                      : REG_BINARY;
      for (size_t byte = colon + 1; byte < data.size(); byte = data.find(',', byte) + 1) {
        value.data.push_back(static_cast<BYTE>(std::strtoul(data.c_str() + byte, nullptr, 16)));
        if (data.find(',', byte) == std::string::npos) break;
      }
    }
    sections.back().values.push_back(std::move(value));
  }
  return sections;
}

// The products of the Uninstall entries of a .reg text, each entry read as the system's
// list is read: its InstallLocation, or else the folders its programs lie in.
std::vector<InstalledProduct> ProductsIn(const std::string& text) {
  std::vector<InstalledProduct> products;
  for (const RegistrySection& section : ParseRegistryText(text)) {
    if (section.key.find(L"\\CurrentVersion\\Uninstall\\") == std::wstring::npos) continue;
    const auto valueText = [&](const wchar_t* name) {
      for (const RegistryValue& value : section.values) {
        if (value.name == name) return value.Text();
      }
      return std::wstring();
    };
    InstalledProduct product;
    if (auto folder = qiv::platform::LocationFolder(valueText(L"InstallLocation"))) {
      product.locations.push_back(*folder);
    } else {
      for (const wchar_t* name : {L"UninstallString", L"DisplayIcon"}) {
        if (auto program = qiv::platform::ProgramFolder(valueText(name))) {
          product.locations.push_back(*program);
        }
      }
    }
    if (!product.locations.empty()) products.push_back(std::move(product));
  }
  return products;
}

// What a group of rows needs beyond real system folders, scratch folders and a
// scratch registry; on the Windows build a group whose fixture Wine cannot make is
// skipped, for the reason its platform gives.
enum class Needs {
  kNothing,
  kLinks,             // symbolic links to folders
  kDriveLetterAlias,  // X:, a second letter of drive C:, as "subst X: C:\" makes one
  kDriveCThroughZ,    // drive C: named through the Z: view of the host's root
  kHostTrees,         // the stand-in's own system trees, named through Z:
};

template <typename Row>
struct Group {
  Needs needs;
  std::vector<Row> rows;
};

// An install path, and the folder the full mode deletes for it (empty: refused).
struct Directory {
  std::wstring installPath;
  std::wstring deleted;
};

#ifdef _WIN32

constexpr wchar_t kScratchKey[] = L"Software\\QivDeletionCorpus";

// The roots a .reg text names, each a key below the scratch key.
const struct {
  const wchar_t* name;
  HKEY root;
} kScratchRoots[] = {
    {L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {L"HKEY_USERS", HKEY_USERS},
    {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
    {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
};

constexpr wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// Two more users of this machine, as the system lists profiles, with the folders of
// drive C: that the rows name (each made only when missing, and removed afterwards).
const struct {
  const wchar_t* sid;
  const wchar_t* profile;
} kOtherUsers[] = {{L"S-1-5-21-1-2-3-1001", L"C:\\Users\\Other"},
                   {L"S-1-5-21-1-2-3-1002", L"C:\\Users\\\u0141ukasz"}};
const wchar_t* const kDriveCFolders[] = {L"C:\\Users\\Other",
                                         L"C:\\Users\\Other\\Documents",
                                         L"C:\\Users\\Other\\AppData",
                                         L"C:\\Users\\Other\\AppData\\Local",
                                         L"C:\\Users\\Other\\AppData\\Local\\Programs",
                                         L"C:\\Users\\Other\\AppData\\Local\\Programs\\Game",
                                         L"C:\\Users\\Other\\OneDrive - Contoso",
                                         L"C:\\Users\\\u0141ukasz",
                                         L"C:\\Users\\\u0141ukasz\\Documents",
                                         L"C:\\Program Files (x86)\\Vendor",
                                         L"C:\\Program Files (x86)\\Vendor\\Game",
                                         L"C:\\Games",
                                         L"C:\\Games\\Title"};

// The Windows build: scratch folders in the temp directory, which is the current
// directory while a test runs (so paths from the root of the current drive lie
// there too) and stands for drive D:; a scratch key in HKEY_CURRENT_USER that holds
// each root's keys; the folders and profiles of kOtherUsers on drive C:.
class CorpusPlatform : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    static int made = 0;
    scratch_ = std::wstring(temp) + L"qiv-corpus-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(++made);
    ASSERT_TRUE(CreateDirectoryW(scratch_.c_str(), nullptr));
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    oldDirectory_ = current;
    ASSERT_TRUE(SetCurrentDirectoryW(scratch_.c_str()));
    ClearRegistry();
    for (const wchar_t* folder : kDriveCFolders) {
      if (GetFileAttributesW(folder) != INVALID_FILE_ATTRIBUTES) continue;
      ASSERT_TRUE(CreateDirectoryW(folder, nullptr)) << Utf8(folder);
      madeOnDriveC_.push_back(folder);
    }
    for (const auto& user : kOtherUsers) {
      const std::wstring key = std::wstring(kProfileList) + L"\\" + user.sid;
      qiv::platform::ScopedRegistryKey profile;
      DWORD disposition = 0;
      ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0,
                                KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, profile.Receive(),
                                &disposition),
                ERROR_SUCCESS);
      if (disposition == REG_OPENED_EXISTING_KEY) continue;
      madeProfiles_.push_back(key);
      const std::wstring path = user.profile;
      RegSetValueExW(profile.Get(), L"ProfileImagePath", 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(path.c_str()),
                     static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    }
    // A second letter of drive C:, where the run was given one (Wine 8's drive letters
    // are links in the prefix, which no program in it can make).
    const auto windows = qiv::platform::ResolveFolder(L"C:\\Windows");
    const auto alias = qiv::platform::ResolveFolder(L"X:\\Windows");
    driveLetterAlias_ = windows && alias && alias->identity == windows->identity;
    const DWORD length = GetEnvironmentVariableW(L"WINEPREFIX", temp, MAX_PATH);
    if (length > 0 && length < MAX_PATH && temp[0] == L'/') {
      driveCThroughZ_ = L"Z:" + std::wstring(temp) + L"\\drive_c";
      std::replace(driveCThroughZ_.begin(), driveCThroughZ_.end(), L'/', L'\\');
    }
  }

  void TearDown() override {
    for (const std::wstring& key : madeProfiles_) {
      RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WOW64_64KEY, 0);
    }
    for (auto folder = madeOnDriveC_.rbegin(); folder != madeOnDriveC_.rend(); ++folder) {
      EXPECT_TRUE(RemoveDirectoryW(folder->c_str())) << Utf8(*folder);
    }
    ClearRegistry();
    SetCurrentDirectoryW(oldDirectory_.c_str());
    RemoveTree(L"\\\\?\\" + scratch_);
  }

  // Literally named, so that names ending in a blank go too.
  static void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    qiv::platform::ScopedFind find(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    for (bool more = find.Get() != INVALID_HANDLE_VALUE; more;
         more = FindNextFileW(find.Get(), &entry)) {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(folder + L"\\" + name);
      } else {
        DeleteFileW((folder + L"\\" + name).c_str());
      }
    }
    find.Reset();
    EXPECT_TRUE(RemoveDirectoryW(folder.c_str())) << Utf8(folder);
  }

  // Drive C:'s folders and profiles are made in SetUp.
  void MakePlatformFixture() const {}

  const char* WhyNotHere(Needs needs) const {
    switch (needs) {
      case Needs::kNothing:
        return nullptr;
      case Needs::kLinks:
        return "Wine 8 makes neither symbolic links nor junctions";
      case Needs::kDriveLetterAlias:
        return driveLetterAlias_ ? nullptr
                                 : "no X: names drive C: (under Wine, wine.py run --subst X: "
                                   "makes one)";
      case Needs::kDriveCThroughZ:
        return driveCThroughZ_.empty() ? "the prefix's drive_c is not known (no WINEPREFIX)"
                                       : nullptr;
      case Needs::kHostTrees:
        return GetFileAttributesW(L"Z:\\etc") == INVALID_FILE_ATTRIBUTES
                   ? "no Z: shows a host's root (Wine maps one by default)"
                   : nullptr;
    }
    return nullptr;
  }

  std::wstring WinPath(const std::string& relative) const {
    std::wstring path = scratch_ + L"\\" + Wide(relative);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
  }
  // A scratch path from the root of the current drive.
  std::wstring FromDriveRoot(const std::string& relative) const {
    return WinPath(relative).substr(2);
  }
  std::wstring DriveCThroughZ() const { return driveCThroughZ_; }

  // Drive D: of the rows is the scratch folder "drive/d".
  std::wstring Place(const std::wstring& path) const {
    for (const std::wstring prefix : {L"", L"\\\\?\\"}) {
      if (path.rfind(prefix + L"D:", 0) == 0) {
        return prefix + WinPath("drive/d") + path.substr(prefix.size() + 2);
      }
    }
    return path;
  }
  std::string PlaceInRegistryText(std::string text) const {
    const std::string drive = RegString(WinPath("drive/d"));
    for (size_t at = text.find("D:\\\\"); at != std::string::npos;
         at = text.find("D:\\\\", at + drive.size())) {
      text.replace(at, 2, drive);
    }
    return text;
  }

  void MakeFolders(std::initializer_list<const char*> folders) const {
    for (const char* folder : folders) {
      // Literally, so that a name ending in a blank keeps it.
      ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + WinPath(folder)).c_str(), nullptr)) << folder;
    }
  }

  // Each root's keys go below the scratch key, under the root's name.
  void WriteRegistry(const std::string& body) {
    ClearRegistry();
    for (const auto& root : kScratchRoots) CreateScratchKey(root.name);
    for (const RegistrySection& section : ParseRegistryText(body)) {
      const bool link =
          std::any_of(section.values.begin(), section.values.end(),
                      [](const RegistryValue& value) { return value.type == REG_LINK; });
      qiv::platform::ScopedRegistryKey key = CreateScratchKey(section.key, link);
      for (const RegistryValue& value : section.values) {
        ASSERT_EQ(
            RegSetValueExW(key.Get(), value.name.empty() ? nullptr : value.name.c_str(), 0,
                           value.type, value.data.data(), static_cast<DWORD>(value.data.size())),
            ERROR_SUCCESS);
      }
    }
  }

  // The native name of a key of the .reg texts, as a registry link holds it.
  static std::wstring NativeKeyName(const std::wstring& key) {
    return L"\\Registry\\User\\" + qiv::platform::CurrentUserSid() + L"\\" + kScratchKey + L"\\" +
           key;
  }

  bool OpenRoot(HKEY root, CRegistryKey& key) const {
    for (const auto& scratch : kScratchRoots) {
      if (scratch.root != root) continue;
      const std::wstring path = std::wstring(kScratchKey) + L"\\" + scratch.name;
      return key.Open(HKEY_CURRENT_USER, path.c_str(), KEY_READ) == ERROR_SUCCESS;
    }
    return false;
  }

 private:
  // A section with a REG_LINK value is a registry link, as the stand-in reads it.
  static qiv::platform::ScopedRegistryKey CreateScratchKey(const std::wstring& path,
                                                           bool link = false) {
    qiv::platform::ScopedRegistryKey key;
    const std::wstring full = std::wstring(kScratchKey) + L"\\" + path;
    EXPECT_EQ(RegCreateKeyExW(
                  HKEY_CURRENT_USER, full.c_str(), 0, nullptr, link ? REG_OPTION_CREATE_LINK : 0,
                  KEY_SET_VALUE | (link ? KEY_CREATE_LINK : 0), nullptr, key.Receive(), nullptr),
              ERROR_SUCCESS)
        << Utf8(path);
    return key;
  }
  static void ClearRegistry() {
    CRegistryKey user;
    if (user.Open(HKEY_CURRENT_USER, nullptr, KEY_READ | KEY_WRITE) == ERROR_SUCCESS) {
      user.DeleteTree(kScratchKey);
    }
  }

  std::wstring scratch_;
  std::wstring oldDirectory_;
  std::vector<std::wstring> madeOnDriveC_;
  std::vector<std::wstring> madeProfiles_;
  bool driveLetterAlias_ = false;
  std::wstring driveCThroughZ_;
};

// This program's own folders: the user's profile and the program's folder.
std::vector<std::wstring> OwnFolders() {
  std::vector<std::wstring> folders;
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetEnvironmentVariableW(L"USERPROFILE", path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) folders.emplace_back(path);
  if (GetModuleFileNameW(nullptr, path, MAX_PATH) < MAX_PATH) {
    const std::wstring module = path;
    folders.push_back(module.substr(0, module.rfind(L'\\')));
  }
  return folders;
}

#else

using qiv::posix::DeletionKind;
using qiv::posix::DeletionRequest;
using qiv::testing::Exists;
using qiv::testing::ScopedEnv;
using qiv::testing::WriteFile;

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

// The stand-in: drives C:, D: and X: (a second letter of C:) are folders under
// QIV_DRIVE_ROOT, every folder in C:\Users is a profile, and links can be made.
class CorpusPlatform : public qiv::testing::RegistryScratchTest {
 protected:
  // After the scratch folders both builds make.
  void MakePlatformFixture() const {
    MakeFolders(
        {"drive/c", "drive/c/Windows", "drive/c/Windows/System32",
         "drive/c/Windows/System32/drivers",
         // Spellings that name the Windows directory on Windows, made to exist here.
         "drive/c/Windows.", "drive/c/WINDOWS", "drive/c/Windows ", "drive/c/Program Files",
         "drive/c/Program Files/Common Files", "drive/c/Program Files (x86)", "drive/c/ProgramData",
         "drive/c/Users", "drive/c/Users/Public", "drive/c/Users/Default",
         // Profiles, and the folders that must still go.
         "drive/c/Users/Other", "drive/c/Users/Other/Documents", "drive/c/Users/Other/AppData",
         "drive/c/Users/Other/AppData/Local", "drive/c/Users/Other/AppData/Local/Programs",
         "drive/c/Users/Other/AppData/Local/Programs/Game", "drive/c/Users/\xC5\x81ukasz",
         "drive/c/Users/\xC5\x81ukasz/Documents", "drive/c/Program Files (x86)/Vendor",
         "drive/c/Program Files (x86)/Vendor/Game", "drive/c/Games", "drive/c/Games/Title"});
    ASSERT_EQ(symlink(Path("canary").c_str(), Path("games/Linked").c_str()), 0);
    ASSERT_EQ(symlink(Path("real-parent").c_str(), Path("link-parent").c_str()), 0);
    ASSERT_EQ(symlink(Path("canary").c_str(), Path("drive/c/Linked").c_str()), 0);
    // Drive X: is a second letter of drive C:, as "subst X: C:\" makes one.
    ASSERT_EQ(symlink("c", Path("drive/x").c_str()), 0);
  }

  const char* WhyNotHere(Needs) const { return nullptr; }

  std::wstring FromDriveRoot(const std::string& relative) const { return Wide(Path(relative)); }
  std::wstring DriveCThroughZ() const { return WinPath("drive/c"); }
  std::wstring Place(const std::wstring& path) const { return path; }
  std::string PlaceInRegistryText(const std::string& text) const { return text; }

  void MakeFolders(std::initializer_list<const char*> folders) const {
    for (const char* dir : folders) ASSERT_EQ(mkdir(Path(dir).c_str(), 0700), 0) << dir;
  }

  bool OpenRoot(HKEY root, CRegistryKey& key) const {
    return key.Open(root, nullptr, KEY_READ) == ERROR_SUCCESS;
  }

  // The stand-in's native name of a key in HKEY_CURRENT_USER (registry_store.h).
  static std::wstring NativeKeyName(const std::wstring& key) {
    const std::wstring root = L"HKEY_CURRENT_USER\\";
    return L"\\Registry\\User\\" + qiv::platform::CurrentUserSid() + L"\\" +
           key.substr(root.size());
  }

  ScopedEnv driveRoot_{"QIV_DRIVE_ROOT", Path("drive").c_str()};
};

// This program's own folders: the user's home and the program's folder.
std::vector<std::wstring> OwnFolders() {
  std::vector<std::wstring> folders;
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    folders.push_back(qiv::testing::WindowsPath(home));
  }
  char module[PATH_MAX + 1] = {};
  if (readlink("/proc/self/exe", module, PATH_MAX) > 0) {
    std::string directory(module);
    folders.push_back(qiv::testing::WindowsPath(directory.substr(0, directory.rfind('/'))));
  }
  return folders;
}

#endif  // _WIN32

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

// A registry item as a document lists it.
struct Item {
  const char* root;  // null: no rootpath attribute
  const char* path;  // null: no path attribute
};

// A listed tree with the keys that decide whose it is, and whether it goes.
struct OwnedTree {
  std::string keys;  // .reg sections; $GAME is the game's folder
  const char* root;
  const char* path;
  bool goes;
};

class DeletionGuardCorpusTest : public CorpusPlatform {
 protected:
  void SetUp() override {
    CorpusPlatform::SetUp();
    MakeFolders({"drive", "drive/d", "drive/d/Games", "drive/d/Games/Title", "games", "games/Legit",
                 "canary", "real-parent", "real-parent/Game", "games/Dir ", "games/Dir /Game",
                 "games/Dir", "games/Dir/Game"});
    MakePlatformFixture();
#ifndef _WIN32
    WriteFile(Path("canary/keep.txt"), "keep");
    WriteFile(Path("real-parent/Game/keep.txt"), "keep");
    qiv::posix::SetDeletionRecorder(
        [this](const DeletionRequest& request) { requests_.push_back(request); });
#endif
  }

#ifndef _WIN32
  void TearDown() override {
    qiv::posix::SetDeletionRecorder(nullptr);
    EXPECT_TRUE(Exists(Path("canary/keep.txt")));
    EXPECT_TRUE(Exists(Path("real-parent/Game/keep.txt")));
    CorpusPlatform::TearDown();
  }
#endif

  // The tables.

  std::vector<Group<std::wstring>> DangerousInstallPaths() const {
    std::vector<Group<std::wstring>> corpus = {
        {Needs::kNothing,
         {
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
             L"\\\\server\\share",
             L"\\\\server\\share\\",
             L"\\\\?\\UNC\\server\\share",
             L"\\",
             L"\\\\",
             L"/",
             L"Z:",
             L"Z:\\",
             WinPath("games/Missing"),
             WinPath("games\\*"),
             WinPath("games\\Leg?t"),
         }},
        {Needs::kLinks,
         {
             L"C:\\Linked",
             WinPath("games/Linked"),
             WinPath("games/Linked\\"),
             WinPath("link-parent\\Game"),
             WinPath("games\\..\\link-parent\\Game"),
         }},
        {Needs::kHostTrees,
         {
             L"Z:\\tmp",
             L"Z:\\tmp\\",
             L"Z:\\home",
             L"Z:\\usr",
             L"Z:\\usr\\share",
             L"Z:\\etc",
             L"\\etc",
             L"Z:\\var",
             L"Z:\\proc\\self",
         }},
    };
    for (std::wstring& folder : OwnFolders()) corpus.front().rows.push_back(std::move(folder));
    return corpus;
  }

  std::vector<Item> DangerousRegistryItems() const {
    return {
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
  }

  // Other spellings of protected folders: another drive letter of the same drive, the
  // Z: view of a mapped drive, "\\?\" and "\\.\", trailing dots and blanks, "." and
  // "..", and other users' profiles. Each must be refused; each control must be
  // deleted as exactly the folder it names.
  std::vector<Group<Directory>> AliasesOfProtectedFolders() const {
    const std::wstring c = DriveCThroughZ();
    return {
        {Needs::kDriveLetterAlias,
         {
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
             {L"\\\\?\\X:\\ProgramData", L""},
             {L"\\\\.\\X:\\Users\\Other", L""},
             {L"X:\\Users\\Other. ", L""},
             {L"X:\\Games\\..\\Users\\Other\\.\\Documents", L""},
             // Controls.
             {L"X:\\Games\\Title", L"X:\\Games\\Title"},
             {L"X:\\Games\\Title.", L"X:\\Games\\Title"},
         }},
        {Needs::kDriveCThroughZ,
         {
             {c, L""},
             {c + L"\\ProgramData", L""},
             {c + L"\\Windows\\System32", L""},
             {c + L"\\Users\\Other", L""},
             {L"\\\\?\\" + c + L"\\Program Files", L""},
             // Control.
             {c + L"\\Games\\.\\Title", c + L"\\Games\\Title"},
         }},
        {Needs::kLinks, {{WinPath("drive/x"), L""}}},
        {Needs::kNothing,
         {
             {L"\\\\.\\C:\\ProgramData", L""},
             {L"C:\\ProgramData.", L""},
             {L"C:\\ProgramData. . ", L""},
             {L"C:\\ProgramData\\.", L""},
             {L"C:\\Games\\..\\ProgramData", L""},
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
             {L"\\\\?\\D:\\Games\\Title", L"D:\\Games\\Title"},
             // A blank at the end of a middle name is part of that folder's name.
             {WinPath("games/Dir \\Game"), WinPath("games/Dir \\Game")},
             {WinPath("games/Dir\\Game"), WinPath("games/Dir\\Game")},
         }},
    };
  }

  // Whose a listed tree is, read from the registry: each row's keys are added to the
  // registry of a game in games/Legit ("$GAME" below), which lists the row's item.
  // A row goes when its tree is deleted; every other row stays.
  std::vector<OwnedTree> RegistryItemsOwnedOrNot() const {
    const std::string uninstall =
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    const std::string appPaths =
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
    const std::string classes = "HKEY_CURRENT_USER\\Software\\Classes\\";
    return {
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
        {"[" + classes + "G.Doc\\shell\\open\\command]\r\n@=\"C:\\\\Mail\\\\m.exe\"\r\n[" +
             classes + "G.Doc\\shell\\print\\command]\r\n@=\"$GAME\\\\g.exe\"\r\n",
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
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G]\r\n\"Dirs\"=hex(7):41,00,00,00,43,00,3a,00,5c,"
         "00,58,00,00,00,00,00\r\n",
         "HKEY_LOCAL_MACHINE", "SOFTWARE\\Studio\\G", false},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G]\r\n\"Logs\"=\"%TEMP%\\\\g\"\r\n",
         "HKEY_LOCAL_MACHINE", "SOFTWARE\\Studio\\G", false},
        // Below a product key, the product key decides.
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G\\Settings]\r\n\"x\"=\"1\"\r\n"
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G]\r\n\"InstallPath\"=\"D:\\\\Other\"\r\n",
         "HKEY_LOCAL_MACHINE", "SOFTWARE\\Studio\\G\\Settings", false},
        // A tree that names no path is the game's only inside the game's own product
        // key: the one naming its folder, or that key's twin in the user's hive.
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other\\Licence]\r\n\"Serial\"=\"A1-B2\"\r\n",
         "HKEY_LOCAL_MACHINE", "SOFTWARE\\Other\\Licence", false},
        {"[HKEY_CURRENT_USER\\Software\\Editor\\Settings]\r\n\"Theme\"=\"dark\"\r\n",
         "HKEY_CURRENT_USER", "Software\\Editor\\Settings", false},
        {"[HKEY_CURRENT_USER\\Software\\Studio\\Other\\Settings]\r\n\"x\"=\"1\"\r\n"
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\Other]\r\n\"InstallDir\"=\"C:"
         "\\\\Games\\\\Title\"\r\n",
         "HKEY_CURRENT_USER", "Software\\Studio\\Other\\Settings", false},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G\\Settings]\r\n\"x\"=\"1\"\r\n"
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G]\r\n\"InstallDir\"=\"$GAME\\\\\"\r\n",
         "HKEY_LOCAL_MACHINE", "SOFTWARE\\Studio\\G\\Settings", true},
        {"[HKEY_CURRENT_USER\\Software\\Studio\\G\\Saves]\r\n\"x\"=\"1\"\r\n"
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G]\r\n\"InstallDir\"=\"$GAME\"\r\n",
         "HKEY_CURRENT_USER", "Software\\Studio\\G", true},
        // The twin must name the folder itself, and nothing elsewhere.
        {"[HKEY_CURRENT_USER\\Software\\Studio\\G\\Saves]\r\n\"x\"=\"1\"\r\n"
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G]\r\n\"Exe\"=\"$GAME\\\\g.exe\"\r\n",
         "HKEY_CURRENT_USER", "Software\\Studio\\G", false},
        {"[HKEY_CURRENT_USER\\Software\\Studio\\G\\Saves]\r\n\"x\"=\"1\"\r\n"
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G]\r\n\"InstallDir\"=\"$GAME\"\r\n"
         "\"Tool\"=\"C:\\\\Tools\\\\t.exe\"\r\n",
         "HKEY_CURRENT_USER", "Software\\Studio\\G", false},
        // The vendor's container holds other products too; the user's hive proves
        // nothing about the machine's.
        {"[HKEY_CURRENT_USER\\Software\\Studio\\G\\Saves]\r\n\"x\"=\"1\"\r\n"
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G]\r\n\"InstallDir\"=\"$GAME\"\r\n",
         "HKEY_CURRENT_USER", "Software\\Studio", false},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G\\Settings]\r\n\"x\"=\"1\"\r\n"
         "[HKEY_CURRENT_USER\\Software\\Studio\\G]\r\n\"InstallDir\"=\"$GAME\"\r\n",
         "HKEY_LOCAL_MACHINE", "SOFTWARE\\Studio\\G", false},
        // A "." name is not what the system would open.
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G]\r\n\"InstallDir\"=\"$GAME\"\r\n",
         "HKEY_LOCAL_MACHINE", "SOFTWARE\\.\\Studio\\G", false},
        // Policy and start-up keys, even when they name the game's program.
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File "
         "Execution Options\\g.exe]\r\n\"Debugger\"=\"$GAME\\\\g.exe\"\r\n",
         "HKEY_LOCAL_MACHINE",
         "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\g.exe",
         false},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\{1}]\r\n"
         "\"StubPath\"=\"$GAME\\\\g.exe\"\r\n",
         "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\{1}",
         false},
    };
  }

  // Other people's data that no fixed list names: another product's folder (the
  // system's Uninstall lists), a user folder moved by a link or by Explorer, the
  // OneDrive folders. Each canary's folder, and every folder holding it, is refused;
  // the controls are deleted as exactly the folder they name. The products and
  // Explorer's record of the user's folders, as .reg text.
  std::string OtherProductsAndUserFolders() const {
    const auto product = [](const std::string& root, const std::string& name,
                            const std::string& values) {
      return "[" + root + "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name +
             "]\r\n" + values + "\r\n";
    };
    return PlaceInRegistryText(
        product("HKEY_LOCAL_MACHINE", "Other", R"("InstallLocation"="D:\\Shared\\Other\\")") +
        product("HKEY_CURRENT_USER", "Mine", R"("InstallLocation"="D:\\Mine\\Other")") +
        // Named from the root of the current drive, as the stand-in's own paths are.
        product(
            "HKEY_LOCAL_MACHINE", "Rooted",
            "\"InstallLocation\"=\"" + RegString(FromDriveRoot("drive/d/Rooted/Other")) + "\"") +
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
        "\r\n");
  }
  std::vector<Group<Directory>> OtherProductsAndMovedUserFolders() const {
    return {
        {Needs::kNothing,
         {
             {L"D:\\Shared", L""},
             {L"D:\\Mine", L""},
             {L"D:\\Rooted", L""},
             {L"D:\\Unins", L""},
             {L"D:\\Icon", L""},
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
         }},
        // Documents and Pictures of C:\Users\Moved, moved to drive D: by links.
        {Needs::kLinks,
         {
             {L"D:\\Docs", L""},
             {L"D:\\Data", L""},
             {L"D:\\Data\\Photos", L""},
         }},
    };
  }

  // The runners.

  // Runs each group of rows this build can make the fixture for, and says how many.
  template <typename Row, typename Run>
  void RunGroups(const char* table, const std::vector<Group<Row>>& groups, Run run) const {
    size_t ran = 0;
    std::string skipped;
    for (const Group<Row>& group : groups) {
      if (const char* why = WhyNotHere(group.needs)) {
        skipped += "; " + std::to_string(group.rows.size()) + " skipped: " + why;
        continue;
      }
      for (const Row& row : group.rows) run(row);
      ran += group.rows.size();
    }
    std::cout << "[ corpus   ] " << table << ": " << ran << " rows run" << skipped << "\n";
  }

  // The guard the full mode asks, over the folders the platform gathers.
  static InstallDirectoryGuard Guard(const std::vector<InstalledProduct>& products = {}) {
    return InstallDirectoryGuard(qiv::platform::QueryProtectedFolders(), products);
  }

  // The folder the full mode would delete for `installPath`: the guard's verdict on
  // it without one trailing separator, as the handler asks it.
  static std::optional<std::wstring> DirectoryVerdict(const InstallDirectoryGuard& guard,
                                                      std::wstring installPath) {
    if (!installPath.empty() && installPath.back() == L'\\') installPath.pop_back();
    return guard.Check(installPath);
  }

  // Each row's verdict: refused, or exactly the folder it names.
  void ExpectDirectoryVerdicts(const char* table, const std::vector<Group<Directory>>& corpus,
                               const InstallDirectoryGuard& guard) const {
    RunGroups(table, corpus, [&](const Directory& row) {
      const std::wstring installPath = Place(row.installPath);
      const std::optional<std::wstring> verdict = DirectoryVerdict(guard, installPath);
      EXPECT_EQ(Utf8(verdict.value_or(L"(refused)")),
                Utf8(row.deleted.empty() ? L"(refused)" : Place(row.deleted)))
          << Utf8(installPath);
    });
  }

  // Whether the registry tree verdicts let a listed tree go, as the full mode asks
  // them: an empty path (the whole root) never goes; the owner is read through the
  // root key the deletion would use.
  bool TreeGoes(const Item& item, const qiv::platform::FolderContents& game) const {
    const HKEY root = ParseRootKeyName(String::_tstringW(item.root));
    const std::wstring path = String::_tstringW(item.path);
    if (path.empty() || !qiv::removal::IsRegistryTreeRemovable(root, path)) return false;
    CRegistryKey key;
    CRegistryKey machine;
    return OpenRoot(root, key) && OpenRoot(HKEY_LOCAL_MACHINE, machine) &&
           qiv::removal::ListedRegistryTree(key.Handle(), root, path, game, machine.Handle())
               .TheGames();
  }

  // A .reg section that makes `link` (a key of HKEY_CURRENT_USER) a registry link to
  // `target`, as this build's registry takes one.
  static std::string LinkSection(const std::wstring& link, const std::wstring& target) {
    std::string section = "[" + Utf8(link) + "]\r\n\"SymbolicLinkValue\"=hex(6):";
    const std::wstring native = NativeKeyName(target);
    for (size_t at = 0; at < native.size(); ++at) {
      char bytes[8];
      std::snprintf(bytes, sizeof bytes, "%s%02x,%02x", at == 0 ? "" : ",", native[at] & 0xFF,
                    native[at] >> 8 & 0xFF);
      section += bytes;
    }
    return section + "\r\n";
  }

  // Whether `path` names a key below `root`, as the system looks it up: through the
  // links on the way, the last key as itself.
  bool KeyIsThere(HKEY root, const std::wstring& path) const {
    CRegistryKey scratch;
    CRegistryKey key;
    return OpenRoot(root, scratch) && key.Open(scratch.Handle(), path.c_str(), KEY_READ,
                                               CRegistryKey::Link::kOpenItself) == ERROR_SUCCESS;
  }

  static std::string GameAt(const std::wstring& installPath) {
    return "[" + kProduct + "\\Game]\r\n\"INSTALL_PATH\"=\"" + RegString(installPath) + "\"\r\n";
  }

  std::string SystemRegistry() const { return GameAt(WinPath("games/Legit")) + kSystemKeys; }

#ifndef _WIN32
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

  // A game installed in games/Legit whose document lists `items` in `list`.
  std::string GameListing(const std::string& list, const std::string& items) {
    WriteFile(Path("games/Legit/appinstallconfig.xml"), "<config><registry language='en'><" + list +
                                                            ">" + items + "</" + list +
                                                            "></registry></config>");
    return SystemRegistry();
  }

  // The full mode over each row of a table of directories: refused rows ask for
  // nothing, each control for exactly its folder.
  void ExpectFullModeRequests(const std::vector<Group<Directory>>& corpus,
                              const std::string& registry) {
    RunGroups("full mode", corpus, [&](const Directory& entry) {
      const std::string name = qiv::posix::Utf16ToUtf8(entry.installPath);
      const std::vector<DeletionRequest> unexpected =
          Unexpected(GameAt(entry.installPath) + registry, entry.deleted);
      EXPECT_TRUE(unexpected.empty()) << name << " ->" << Describe(unexpected);
      if (entry.deleted.empty()) return;
      const bool requested = std::any_of(requests_.begin(), requests_.end(), [&](const auto& r) {
        return WithinTree(r, entry.deleted);
      });
      EXPECT_TRUE(requested) << name << " was not deleted";
    });
  }

  std::vector<DeletionRequest> requests_;
#endif
};

TEST_F(DeletionGuardCorpusTest, DangerousInstallPathsRequestNoDeletion) {
  const std::vector<Group<std::wstring>> corpus = DangerousInstallPaths();
  size_t rows = 0;
  for (const auto& group : corpus) rows += group.rows.size();
  ASSERT_GE(rows, 40u);

#ifndef _WIN32
  RunGroups("full mode", corpus, [&](const std::wstring& installPath) {
    const std::vector<DeletionRequest> unexpected = Unexpected(GameAt(installPath));
    EXPECT_TRUE(unexpected.empty())
        << qiv::posix::Utf16ToUtf8(installPath) << " ->" << Describe(unexpected);
  });
#endif
  const InstallDirectoryGuard guard = Guard();
  RunGroups("verdicts", corpus, [&](const std::wstring& installPath) {
    EXPECT_FALSE(DirectoryVerdict(guard, installPath)) << Utf8(installPath);
  });
}

TEST_F(DeletionGuardCorpusTest, DangerousRegistryItemsRequestNoDeletion) {
  const std::vector<Item> corpus = DangerousRegistryItems();
  ASSERT_GE(std::size(corpus), 40u);

#ifndef _WIN32
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
#endif
  // Only the game's registration and the product key may go.
  WriteRegistry(SystemRegistry());
  const qiv::platform::FolderContents game(WinPath("games/Legit"));
  for (const Item& item : corpus) {
    const std::wstring tree = String::_tstringW(item.root) + L"\\" + String::_tstringW(item.path);
    EXPECT_TRUE(!TreeGoes(item, game) || tree == kProductKey || tree == kGameKey)
        << (item.root ? item.root : "(none)") << " " << (item.path ? item.path : "(none)");
  }
}

TEST_F(DeletionGuardCorpusTest, AliasesOfProtectedFoldersAreJudgedByIdentity) {
  const std::vector<Group<Directory>> corpus = AliasesOfProtectedFolders();
#ifndef _WIN32
  ExpectFullModeRequests(corpus, "");
#endif
  ExpectDirectoryVerdicts("verdicts", corpus, Guard());
}

TEST_F(DeletionGuardCorpusTest, RegistryItemsGoOnlyWhenTheyAreTheGames) {
  const std::string game = RegString(WinPath("games/Legit"));
  for (const OwnedTree& row : RegistryItemsOwnedOrNot()) {
    std::string keys = row.keys;
    for (size_t at = keys.find("$GAME"); at != std::string::npos; at = keys.find("$GAME")) {
      keys.replace(at, 5, game);
    }
#ifndef _WIN32
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
#endif
    WriteRegistry(SystemRegistry() + keys);
    EXPECT_EQ(TreeGoes({row.root, row.path}, qiv::platform::FolderContents(WinPath("games/Legit"))),
              row.goes)
        << row.path << "\n"
        << keys;
  }
}

#ifndef _WIN32
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
#endif

TEST_F(DeletionGuardCorpusTest, OtherProductsAndMovedUserFoldersAreKept) {
  MakeFolders({"home",
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
               "drive/d/Downloads"});
  const std::vector<Group<Directory>> corpus = OtherProductsAndMovedUserFolders();
  const std::string others = OtherProductsAndUserFolders();
#ifndef _WIN32
  MakeFolders({"drive/c/Users/Moved", "drive/c/Users/Other/OneDrive - Contoso"});
  // Documents and Pictures moved to drive D: by links, as junctions do it.
  ASSERT_EQ(symlink(Path("drive/d/Docs").c_str(), Path("drive/c/Users/Moved/Documents").c_str()),
            0);
  ASSERT_EQ(
      symlink(Path("drive/d/Data/Photos").c_str(), Path("drive/c/Users/Moved/Pictures").c_str()),
      0);
  const ScopedEnv home("HOME", Path("home").c_str());
  ExpectFullModeRequests(corpus, others);
#endif
  // The scratch home is a profile, with the user's folders where Explorer says.
  WriteRegistry(others);
  ProtectedFolders folders = qiv::platform::QueryProtectedFolders();
  folders.profiles.push_back(WinPath("home"));
  folders.kept.push_back(WinPath("home"));
  CRegistryKey user;
  ASSERT_TRUE(OpenRoot(HKEY_CURRENT_USER, user));
  qiv::platform::AddUserShellFolders(user.Handle(), L"", WinPath("home"), folders.kept);
  ExpectDirectoryVerdicts("verdicts", corpus,
                          InstallDirectoryGuard(std::move(folders), ProductsIn(others)));
}

// A registry link on the way to a listed tree refuses the item, so the key it leads
// to keeps what the path names below it; a link as the tree's last key goes as the
// link, and the key it leads to stays whole. Each row is judged and removed as the
// full mode does it, over a game whose own product key names its folder.
TEST_F(DeletionGuardCorpusTest, ALinkOnTheWayRefusesTheItem) {
#ifndef _WIN32
  qiv::posix::SetDeletionRecorder(nullptr);
#endif
  const std::wstring games = L"HKEY_CURRENT_USER\\Software\\Games\\G";
  const std::wstring other = L"HKEY_CURRENT_USER\\Software\\Other";
  const std::string fixture =
      "[" + Utf8(games) + "]\r\n\"InstallDir\"=\"" + RegString(WinPath("games/Legit")) + "\"\r\n[" +
      Utf8(games) + "\\Saves\\Slot]\r\n\"x\"=\"1\"\r\n[" + Utf8(other) +
      "\\Key\\Sub\\Deep]\r\n\"x\"=\"1\"\r\n[" + Utf8(other) + "\\Key2\\Sub]\r\n\"x\"=\"1\"\r\n" +
      LinkSection(games + L"\\L", other + L"\\Key") +
      LinkSection(games + L"\\L2", other + L"\\Key2");
  const struct {
    const wchar_t* path;
    bool goes;
    std::vector<const wchar_t*> gone;
    std::vector<const wchar_t*> kept;
  } rows[] = {
      {L"Software\\Games\\G\\L\\Sub", false, {}, {L"Software\\Other\\Key\\Sub\\Deep"}},
      {L"Software\\Games\\G\\L\\Sub\\Deep", false, {}, {L"Software\\Other\\Key\\Sub\\Deep"}},
      {L"Software\\Games\\G\\L2",
       true,
       {L"Software\\Games\\G\\L2"},
       {L"Software\\Other\\Key2\\Sub", L"Software\\Games\\G"}},
      // Controls: the link leads where the row says, and the game's own tree goes.
      {L"Software\\Games\\G\\Saves",
       true,
       {L"Software\\Games\\G\\Saves"},
       {L"Software\\Games\\G\\L\\Sub", L"Software\\Games\\G\\L2\\Sub"}},
  };
  const qiv::platform::FolderContents game(WinPath("games/Legit"));
  for (const auto& row : rows) {
    WriteRegistry(fixture);
    CRegistryKey root;
    CRegistryKey machine;
    ASSERT_TRUE(OpenRoot(HKEY_CURRENT_USER, root) && OpenRoot(HKEY_LOCAL_MACHINE, machine));
    qiv::removal::ListedRegistryTree tree(root.Handle(), HKEY_CURRENT_USER, row.path, game,
                                          machine.Handle());
    EXPECT_EQ(tree.TheGames(), row.goes) << Utf8(row.path);
    EXPECT_EQ(tree.Remove() == ERROR_SUCCESS, row.goes) << Utf8(row.path);
    for (const wchar_t* key : row.gone) {
      EXPECT_FALSE(KeyIsThere(HKEY_CURRENT_USER, key)) << Utf8(row.path) << ": " << Utf8(key);
    }
    for (const wchar_t* key : row.kept) {
      EXPECT_TRUE(KeyIsThere(HKEY_CURRENT_USER, key)) << Utf8(row.path) << ": " << Utf8(key);
    }
  }
}

#ifndef _WIN32
// The controls: the same runs with a legitimate directory and item do reach the
// recorder, so an empty record above means nothing was asked for.
TEST_F(DeletionGuardCorpusTest, LegitimateTargetsAreRequested) {
  const std::string registry =
      GameListing("appitems",
                  "<item rootpath='HKEY_LOCAL_MACHINE' path='SOFTWARE\\GameVendor\\Game'/>") +
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\GameVendor\\Game]\r\n\"InstallDir\"=\"" +
      RegString(WinPath("games/Legit")) + "\"\r\n";
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
#endif

}  // namespace
