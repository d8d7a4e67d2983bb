// A key path opened one key at a time, over the stand-in's registry links: what each
// way of naming a key reaches, as on Windows, and what the step-by-step open refuses.
#ifndef _WIN32

#include "platform/registry_key_path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/registry_scratch.h"

namespace {

using qiv::platform::CRegistryKeyPath;
using Status = CRegistryKeyPath::Status;

// A .reg section making `link` (HKEY_CURRENT_USER's unless it names a root) a link
// to `native`.
std::string Link(const std::string& link, const std::wstring& native) {
  const std::string key = link.rfind("HKEY_", 0) == 0 ? link : "HKEY_CURRENT_USER\\" + link;
  std::string section = "[" + key + "]\r\n\"SymbolicLinkValue\"=hex(6):";
  for (size_t at = 0; at < native.size(); ++at) {
    char bytes[8];
    std::snprintf(bytes, sizeof bytes, "%s%02x,%02x", at == 0 ? "" : ",", native[at] & 0xFF,
                  native[at] >> 8 & 0xFF);
    section += bytes;
  }
  return section + "\r\n";
}

class RegistryKeyPathTest : public qiv::testing::RegistryScratchTest {
 protected:
  void SetUp() override {
    RegistryScratchTest::SetUp();
    WriteRegistry(
        "[HKEY_CURRENT_USER\\Software\\Game\\Plain\\Sub]\r\n\"x\"=\"1\"\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other\\Sub]\r\n\"y\"=\"2\"\r\n"
        "[HKEY_USERS\\S-1-5-21-0-0-0-1000_Classes\\.gsave]\r\n@=\"G.Doc\"\r\n" +
        Link("Software\\Game\\L", L"\\Registry\\Machine\\SOFTWARE\\Other") +
        Link("Software\\Game\\Loop",
             L"\\REGISTRY\\USER\\S-1-5-21-0-0-0-1000\\Software\\Game\\Loop") +
        Link("Software\\Classes", L"\\Registry\\User\\S-1-5-21-0-0-0-1000_Classes") +
        Link("HKEY_LOCAL_MACHINE\\SOFTWARE\\Shared", L"\\Registry\\Machine\\SOFTWARE\\Other"));
  }
};

// Windows follows every link on the way of a lookup by name, and the last one too
// unless the key is opened as itself; a deletion by name follows them all.
TEST_F(RegistryKeyPathTest, TheStandInFollowsLinksAsWindowsDoes) {
  const struct {
    const wchar_t* path;
    DWORD options;
    LSTATUS status;
  } rows[] = {
      {L"Software\\Game\\L\\Sub", 0, ERROR_SUCCESS},
      {L"Software\\Game\\L\\Sub", REG_OPTION_OPEN_LINK, ERROR_SUCCESS},
      {L"Software\\Game\\L", REG_OPTION_OPEN_LINK, ERROR_SUCCESS},
      {L"Software\\Game\\Loop", 0, ERROR_FILE_NOT_FOUND},
      {L"Software\\Classes\\.gsave", 0, ERROR_SUCCESS},
  };
  for (const auto& row : rows) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, row.path, row.options, KEY_READ, &key), row.status)
        << testing::PrintToString(row.path);
    if (key != nullptr) RegCloseKey(key);
  }
  CRegistryKey link;
  ASSERT_EQ(
      link.Open(HKEY_CURRENT_USER, L"Software\\Game\\L", KEY_READ, CRegistryKey::Link::kOpenItself),
      ERROR_SUCCESS);
  EXPECT_TRUE(link.IsLink());
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Game\\L\\Sub"), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Other\\Sub"));
}

TEST_F(RegistryKeyPathTest, OpensOneKeyAtATimeAndRefusesALinkOnTheWay) {
  const struct {
    HKEY root;
    std::vector<std::wstring> names;
    Status status;
    size_t systemDepth = 0;
  } rows[] = {
      {HKEY_CURRENT_USER, {L"Software", L"Game", L"Plain", L"Sub"}, Status::kOpened},
      {HKEY_CURRENT_USER, {L"Software", L"Game", L"L", L"Sub"}, Status::kLinkOnTheWay},
      {HKEY_CURRENT_USER, {L"Software", L"Game", L"L"}, Status::kOpened},
      {HKEY_CURRENT_USER, {L"Software", L"Game", L"Loop", L"Sub"}, Status::kLinkOnTheWay},
      {HKEY_CURRENT_USER, {L"Software", L"Game", L"Missing"}, Status::kMissing},
      // The system's own link to the user's classes hive is the one followed.
      {HKEY_CURRENT_USER, {L"Software", L"Classes", L".gsave"}, Status::kOpened},
      {HKEY_USERS, {L"S-1-5-21-0-0-0-1000_Classes", L".gsave"}, Status::kOpened},
      // A link above the key the caller names as the first one that could be a user's.
      {HKEY_LOCAL_MACHINE, {L"SOFTWARE", L"Shared", L"Sub"}, Status::kOpened, 3},
      {HKEY_LOCAL_MACHINE, {L"SOFTWARE", L"Shared", L"Sub"}, Status::kLinkOnTheWay, 2},
      {HKEY_CURRENT_USER, {L"Software", L"Game", L"L", L"Sub"}, Status::kLinkOnTheWay, 0},
  };
  for (const auto& row : rows) {
    CRegistryKeyPath path;
    EXPECT_EQ(path.Open(row.root, row.names, KEY_READ, 0, row.systemDepth), row.status)
        << testing::PrintToString(row.names);
    if (row.status == Status::kOpened) {
      EXPECT_EQ(path.Depth(), row.names.size());
    }
  }
}

// The last key goes through its own handle: as the link when it is one, and with
// everything below it otherwise.
TEST_F(RegistryKeyPathTest, TheHeldTreeGoesThroughItsHandles) {
  CRegistryKeyPath link;
  ASSERT_EQ(link.Open(HKEY_CURRENT_USER, {L"Software", L"Game", L"L"}, KEY_READ | DELETE),
            Status::kOpened);
  EXPECT_EQ(link.Last().DeleteHeldTree(), ERROR_SUCCESS);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Other\\Sub"));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Game\\L"));

  CRegistryKeyPath plain;
  ASSERT_EQ(plain.Open(HKEY_CURRENT_USER, {L"Software", L"Game", L"Plain"}, KEY_READ | DELETE),
            Status::kOpened);
  EXPECT_EQ(plain.Last().DeleteHeldTree(), ERROR_SUCCESS);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Game\\Plain"));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Game"));
}

TEST(SplitRegistryPathTest, SplitsAsTheSystemDoes) {
  using qiv::platform::SplitRegistryPath;
  EXPECT_EQ(SplitRegistryPath(L"A\\ B \\C\\"), (std::vector<std::wstring>{L"A", L" B ", L"C"}));
  EXPECT_EQ(SplitRegistryPath(L"A\\.\\C"), (std::vector<std::wstring>{L"A", L".", L"C"}));
  for (const wchar_t* invalid : {L"\\A", L"A\\\\B", L"A\\\\", L"\\"}) {
    EXPECT_FALSE(SplitRegistryPath(invalid)) << testing::PrintToString(invalid);
  }
  EXPECT_FALSE(SplitRegistryPath(std::wstring(256, L'k')));
}

}  // namespace

#endif  // _WIN32
