#ifndef _WIN32

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/posix/atomic_file.h"
#include "platform/posix/registry_file.h"
#include "platform/posix/registry_store.h"
#include "platform/win32.h"
#include "scratch.h"

namespace {

using qiv::testing::ReadFile;
using qiv::testing::ScopedEnv;
using qiv::testing::ScratchDir;
using qiv::testing::WriteFile;

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

std::string Utf16Le(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  return bytes;
}

class RegistryTest : public ::testing::Test {
 protected:
  void Load(const std::string& bytes) {
    WriteFile(file_, bytes);
    qiv::posix::ReloadRegistry();
  }
  void TearDown() override {
    qiv::posix::SetRenameFunctionForTesting(nullptr);
    for (HKEY key : opened_) RegCloseKey(key);
  }

  HKEY Open(const wchar_t* path, HKEY root = HKEY_LOCAL_MACHINE) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(root, path, 0, KEY_READ, &key), ERROR_SUCCESS) << "open";
    opened_.push_back(key);
    return key;
  }

  LSTATUS OpenStatus(const wchar_t* path, HKEY root = HKEY_LOCAL_MACHINE) {
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExW(root, path, 0, KEY_READ, &key);
    if (status == ERROR_SUCCESS) opened_.push_back(key);
    return status;
  }

  // Type and Windows bytes of a value, read through the public functions.
  LSTATUS Query(const wchar_t* path, const wchar_t* name, DWORD& type,
                std::vector<uint8_t>& bytes) {
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key);
    if (status != ERROR_SUCCESS) return status;
    DWORD size = 0;
    status = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
      std::vector<wchar_t> buffer(size / 2 + 2, 0);
      status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()),
                                &size);
      const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == 7;
      bytes.clear();
      for (DWORD i = 0; i < size; ++i) {
        const uint8_t* raw = reinterpret_cast<const uint8_t*>(buffer.data());
        bytes.push_back(text ? static_cast<uint8_t>(buffer[i / 2] >> (8 * (i % 2))) : raw[i]);
      }
    }
    RegCloseKey(key);
    return status;
  }

  std::wstring QueryString(const wchar_t* path, const wchar_t* name) {
    DWORD type = 0;
    std::vector<uint8_t> bytes;
    if (Query(path, name, type, bytes) != ERROR_SUCCESS) return L"<missing>";
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
      text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    if (!text.empty() && text.back() == 0) text.pop_back();
    return text;
  }

  std::vector<std::wstring> SubKeys(HKEY key) {
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index) {
      wchar_t name[256];
      DWORD size = 256;
      LSTATUS status = RegEnumKeyExW(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
      if (status != ERROR_SUCCESS) {
        EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
        break;
      }
      EXPECT_EQ(size, std::wcslen(name));
      names.push_back(name);
    }
    return names;
  }

  ScratchDir dir_;
  std::string file_ = dir_.File("registry.reg");
  ScopedEnv env_{"QIV_REGISTRY_FILE", file_.c_str()};
  std::vector<HKEY> opened_;
};

struct ParseCase {
  const char* title;
  std::string file;
  const wchar_t* path;
  const wchar_t* name;
  LSTATUS status;
  DWORD type;
  std::vector<uint8_t> bytes;
};

TEST_F(RegistryTest, ReadsValuesAsRegeditImportsThem) {
  const std::vector<uint8_t> abc = {'a', 0, 'b', 0, 'c', 0, 0, 0};
  const std::vector<ParseCase> cases = {
      {"utf-8 without byte order mark", kHeader + "[HKEY_LOCAL_MACHINE\\S\\K]\r\n\"v\"=\"abc\"\r\n",
       L"S\\K", L"v", ERROR_SUCCESS, REG_SZ, abc},
      {"utf-8 with byte order mark, LF lines",
       "\xEF\xBB\xBFWindows Registry Editor Version "
       "5.00\n\n[HKEY_LOCAL_MACHINE\\S\\K]\n\"v\"=\"abc\"\n",
       L"S\\K", L"v", ERROR_SUCCESS, REG_SZ, abc},
      {"utf-16le with byte order mark",
       Utf16Le("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\S\\K]\r\n"
               "\"v\"=\"abc\"\r\n"),
       L"S\\K", L"v", ERROR_SUCCESS, REG_SZ, abc},
      {"REGEDIT4 header", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\S\\K]\r\n\"v\"=\"abc\"\r\n",
       L"S\\K", L"v", ERROR_SUCCESS, REG_SZ, abc},
      {"escapes in name and text",
       kHeader + "[HKLM\\S]\r\n\"a\\\\\\\"b\"=\"C:\\\\x\\\"y\\z\"\r\n",
       L"S",
       L"a\\\"b",
       ERROR_SUCCESS,
       REG_SZ,
       {'C', 0, ':', 0, '\\', 0, 'x', 0, '"', 0, 'y', 0, '\\', 0, 'z', 0, 0, 0}},
      {"non-ASCII text",
       kHeader + "[HKEY_LOCAL_MACHINE\\S]\r\n\"v\"=\"\xC3\xA9\xE2\x82\xAC\"\r\n",
       L"S",
       L"v",
       ERROR_SUCCESS,
       REG_SZ,
       {0xE9, 0, 0xAC, 0x20, 0, 0}},
      {"default value", kHeader + "[HKEY_LOCAL_MACHINE\\S]\r\n@=\"abc\"\r\n", L"S", nullptr,
       ERROR_SUCCESS, REG_SZ, abc},
      {"dword",
       kHeader + "[HKEY_LOCAL_MACHINE\\S]\r\n\"d\"=dword:0000012a\r\n",
       L"S",
       L"d",
       ERROR_SUCCESS,
       REG_DWORD,
       {0x2a, 0x01, 0, 0}},
      {"binary",
       kHeader + "[HKEY_LOCAL_MACHINE\\S]\r\n\"b\"=hex:01,ff,7\r\n",
       L"S",
       L"b",
       ERROR_SUCCESS,
       REG_BINARY,
       {0x01, 0xff, 0x07}},
      {"typed hex over continuation lines",
       kHeader +
           "[HKEY_LOCAL_MACHINE\\S]\r\n\"e\"=hex(2):25,00,41,\\\r\n  00,25,\\\r\n  00,00,00\r\n"
           "\"after\"=\"abc\"\r\n",
       L"S",
       L"e",
       ERROR_SUCCESS,
       REG_EXPAND_SZ,
       {'%', 0, 'A', 0, '%', 0, 0, 0}},
      {"value after continuation still read",
       kHeader +
           "[HKEY_LOCAL_MACHINE\\S]\r\n\"e\"=hex(2):25,00,\\\r\n  00,00\r\n\"after\"=\"abc\"\r\n",
       L"S", L"after", ERROR_SUCCESS, REG_SZ, abc},
      {"names ignore case", kHeader + "[HKEY_LOCAL_MACHINE\\Soft\\Key]\r\n\"Name\"=\"abc\"\r\n",
       L"sOFT\\kEY", L"NAME", ERROR_SUCCESS, REG_SZ, abc},
      {"later section replaces a value",
       kHeader + "[HKEY_LOCAL_MACHINE\\S]\r\n\"v\"=\"old\"\r\n\r\n[HKEY_LOCAL_MACHINE\\s]\r\n"
                 "\"V\"=\"abc\"\r\n",
       L"S", L"v", ERROR_SUCCESS, REG_SZ, abc},
      {"value removal",
       kHeader + "[HKEY_LOCAL_MACHINE\\S]\r\n\"v\"=\"abc\"\r\n\"v\"=-\r\n",
       L"S",
       L"v",
       ERROR_FILE_NOT_FOUND,
       0,
       {}},
      {"deletion section removes the tree",
       kHeader + "[HKEY_LOCAL_MACHINE\\S\\K]\r\n\"v\"=\"abc\"\r\n[-HKEY_LOCAL_MACHINE\\S]\r\n",
       L"S",
       L"v",
       ERROR_FILE_NOT_FOUND,
       0,
       {}},
      {"bad lines are skipped",
       kHeader + "[HKEY_LOCAL_MACHINE\\S]\r\ngarbage\r\n\"d\"=dword:xyz\r\n\"u\"=\"open\r\n"
                 "\"h\"=hex:1,\r\n\"v\"=\"abc\"\r\n",
       L"S", L"v", ERROR_SUCCESS, REG_SZ, abc},
      {"malformed dword is not a value",
       kHeader + "[HKEY_LOCAL_MACHINE\\S]\r\n\"d\"=dword:123456789\r\n",
       L"S",
       L"d",
       ERROR_FILE_NOT_FOUND,
       0,
       {}},
      {"unknown root section ignored",
       kHeader + "[HKEY_NOWHERE\\S]\r\n\"v\"=\"abc\"\r\n[HKEY_LOCAL_MACHINE\\S]\r\n",
       L"S",
       L"v",
       ERROR_FILE_NOT_FOUND,
       0,
       {}},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.title);
    Load(c.file);
    DWORD type = 0;
    std::vector<uint8_t> bytes;
    ASSERT_EQ(Query(c.path, c.name, type, bytes), c.status);
    if (c.status != ERROR_SUCCESS) continue;
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(bytes, c.bytes);
  }
}

TEST_F(RegistryTest, QueryReportsWindowsByteCounts) {
  Load(kHeader + "[HKEY_LOCAL_MACHINE\\S]\r\n\"v\"=\"abc\"\r\n\"d\"=dword:00000001\r\n");
  HKEY key = Open(L"S");
  DWORD type = 0;
  DWORD size = 0;
  ASSERT_EQ(RegQueryValueExW(key, L"v", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, 8u);  // three UTF-16 units and the terminator

  wchar_t text[8] = {L'#', L'#', L'#', L'#', L'#', L'#', L'#', L'#'};
  size = 7;
  EXPECT_EQ(RegQueryValueExW(key, L"v", nullptr, &type, reinterpret_cast<LPBYTE>(text), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 8u);
  size = 8;
  ASSERT_EQ(RegQueryValueExW(key, L"v", nullptr, nullptr, reinterpret_cast<LPBYTE>(text), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(text), L"abc");
  EXPECT_EQ(text[4], L'#');  // nothing written past the value

  DWORD number = 0;
  size = sizeof number;
  ASSERT_EQ(RegQueryValueExW(key, L"d", nullptr, &type, reinterpret_cast<LPBYTE>(&number), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(number, 1u);

  EXPECT_EQ(RegQueryValueExW(key, L"missing", nullptr, &type, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExW(key, L"v", nullptr, &type, reinterpret_cast<LPBYTE>(text), nullptr),
            ERROR_INVALID_PARAMETER);
}

// Value enumeration: names in units without the terminator on the way out, data in
// Windows bytes, ERROR_MORE_DATA when either does not fit (with the data size needed).
TEST_F(RegistryTest, EnumeratesValuesWithWindowsCounts) {
  Load(kHeader + "[HKEY_LOCAL_MACHINE\\S]\r\n@=\"abc\"\r\n\"C:\\\\d.json\"=dword:00000002\r\n");
  HKEY key = Open(L"S");
  const struct {
    DWORD index, nameCapacity, dataCapacity;
    LSTATUS status;
    const wchar_t* name;
    DWORD type, dataSize;
  } calls[] = {
      {0, 16, 16, ERROR_SUCCESS, L"", REG_SZ, 8},
      {0, 16, 7, ERROR_MORE_DATA, L"", REG_SZ, 8},
      {1, 16, 4, ERROR_SUCCESS, L"C:\\d.json", REG_DWORD, 4},
      {1, 9, 4, ERROR_MORE_DATA, nullptr, 0, 0},  // the name needs 10 units
      {2, 16, 16, ERROR_NO_MORE_ITEMS, nullptr, 0, 0},
  };
  for (const auto& call : calls) {
    wchar_t name[16] = {};
    wchar_t data[16] = {};
    DWORD nameSize = call.nameCapacity;
    DWORD dataSize = call.dataCapacity;
    DWORD type = 0;
    EXPECT_EQ(RegEnumValueW(key, call.index, name, &nameSize, nullptr, &type,
                            reinterpret_cast<LPBYTE>(data), &dataSize),
              call.status)
        << call.index << " " << call.nameCapacity;
    if (call.name == nullptr) continue;
    EXPECT_EQ(std::wstring(name), call.name);
    EXPECT_EQ(nameSize, std::wstring(call.name).size());
    EXPECT_EQ(type, call.type);
    EXPECT_EQ(dataSize, call.dataSize);
  }
}

TEST_F(RegistryTest, EnumeratesSubKeysAlphabeticallyIgnoringCase) {
  Load(kHeader +
       "[HKEY_LOCAL_MACHINE\\P\\beta]\r\n[HKEY_LOCAL_MACHINE\\P\\_x]\r\n"
       "[HKEY_LOCAL_MACHINE\\P\\Alpha]\r\n[HKEY_LOCAL_MACHINE\\P\\gamma\\deeper]\r\n"
       "[HKEY_LOCAL_MACHINE\\P\\BETA]\r\n");
  HKEY key = Open(L"P");
  // Windows compares upper-cased names, so the underscore sorts after the letters.
  EXPECT_EQ(SubKeys(key), (std::vector<std::wstring>{L"Alpha", L"beta", L"gamma", L"_x"}));

  wchar_t name[8];
  DWORD size = 5;  // "Alpha" needs six units with its terminator
  EXPECT_EQ(RegEnumKeyExW(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_MORE_DATA);
  size = 6;
  FILETIME written{1, 1};
  EXPECT_EQ(RegEnumKeyExW(key, 0, name, &size, nullptr, nullptr, nullptr, &written), ERROR_SUCCESS);
  EXPECT_EQ(size, 5u);
  EXPECT_EQ(std::wstring(name), L"Alpha");
  size = 8;
  EXPECT_EQ(RegEnumKeyExW(key, 4, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(RegEnumKeyExW(key, 1000, name, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryTest, OpensKeysAndRootsLikeWindows) {
  Load(kHeader + "[HKEY_CURRENT_USER\\Software\\Vendor]\r\n");
  EXPECT_EQ(OpenStatus(L"Software\\Vendor", HKEY_CURRENT_USER), ERROR_SUCCESS);
  EXPECT_EQ(OpenStatus(L"Software\\Vendor\\", HKEY_CURRENT_USER), ERROR_SUCCESS);
  EXPECT_EQ(OpenStatus(L"Software\\\\Vendor", HKEY_CURRENT_USER), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(OpenStatus(L"Software\\Vendor"), ERROR_FILE_NOT_FOUND);  // another root

  for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                    HKEY_CURRENT_CONFIG}) {
    HKEY same = nullptr;
    EXPECT_EQ(RegOpenKeyExW(root, nullptr, 0, KEY_READ | KEY_WOW64_64KEY, &same), ERROR_SUCCESS);
    EXPECT_EQ(same, root);
    EXPECT_EQ(RegCloseKey(same), ERROR_SUCCESS);
  }

  HKEY software = Open(L"Software", HKEY_CURRENT_USER);
  HKEY again = nullptr;
  ASSERT_EQ(RegOpenKeyExW(software, L"", 0, KEY_READ, &again), ERROR_SUCCESS);
  EXPECT_NE(again, software);
  EXPECT_EQ(SubKeys(again), std::vector<std::wstring>{L"Vendor"});
  EXPECT_EQ(RegCloseKey(again), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(again), ERROR_INVALID_HANDLE);
  HKEY result = software;
  EXPECT_EQ(RegOpenKeyExW(again, nullptr, 0, KEY_READ, &result), ERROR_INVALID_HANDLE);
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(RegOpenKeyExW(reinterpret_cast<HKEY>(0x1234567), L"x", 0, KEY_READ, &result),
            ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, KeyNamesHoldingANullAreNotRead) {
  // Such a key could never be opened again by name, nor deleted.
  const char section[] = "[HKEY_CURRENT_USER\\Software\\A\0B]\r\n\"x\"=\"1\"\r\n";
  Load(kHeader + "[HKEY_CURRENT_USER\\Software\\Good]\r\n" +
       std::string(section, sizeof(section) - 1));
  EXPECT_EQ(SubKeys(Open(L"Software", HKEY_CURRENT_USER)), std::vector<std::wstring>{L"Good"});
}

TEST_F(RegistryTest, NoFileMeansAnEmptyRegistryAndNothingCreated) {
  for (const char* setting : {static_cast<const char*>(nullptr), "/nonexistent/qiv/reg.reg"}) {
    ScopedEnv unset("QIV_REGISTRY_FILE", setting);
    qiv::posix::ReloadRegistry();
    HKEY root = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"", 0, KEY_READ, &root), ERROR_SUCCESS);
    EXPECT_EQ(OpenStatus(L"SOFTWARE"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE"), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(SubKeys(HKEY_LOCAL_MACHINE).empty());
  }
  EXPECT_FALSE(qiv::testing::Exists("/nonexistent/qiv"));
  EXPECT_FALSE(qiv::testing::Exists(file_));
}

TEST_F(RegistryTest, DeletionIsRefusedWhileSubKeysRemain) {
  const std::string original = kHeader + "[HKEY_LOCAL_MACHINE\\P\\Game]\r\n\"v\"=\"1\"\r\n\r\n" +
                               "[HKEY_LOCAL_MACHINE\\P\\Game\\Sub]\r\n\r\n";
  Load(original);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"P\\Game"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"P\\Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L""), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, nullptr), ERROR_INVALID_PARAMETER);
  HKEY game = Open(L"P\\Game");
  EXPECT_EQ(RegDeleteKeyExW(game, L"", KEY_WOW64_64KEY, 0), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ReadFile(file_), original);  // nothing rewritten
}

TEST_F(RegistryTest, DeletionRewritesTheFileKeepingEverythingElse) {
  Load(kHeader +
       "; exported for the tests\r\n"
       "[HKEY_LOCAL_MACHINE\\P]\r\n\"keep\"=hex(7):41,00,00,00,\\\r\n  00,00\r\n\r\n"
       "[HKEY_LOCAL_MACHINE\\P\\One]\r\n\"INSTALL_PATH\"=\"C:\\\\Games\\\\One\"\r\n\r\n"
       "[HKEY_LOCAL_MACHINE\\P\\Two]\r\n@=dword:00000002\r\n\r\n"
       "[HKEY_LOCAL_MACHINE\\P\\one]\r\n\"more\"=\"x\"\r\n\r\n"
       "[HKEY_CURRENT_USER\\P\\One]\r\n\"other\"=\"root\"\r\n");
  HKEY product = Open(L"P");
  HKEY one = Open(L"P\\One");
  ASSERT_EQ(RegDeleteKeyExW(product, L"ONE", 0, 0), ERROR_SUCCESS);

  EXPECT_EQ(ReadFile(file_),
            kHeader +
                "; exported for the tests\r\n"
                "[HKEY_LOCAL_MACHINE\\P]\r\n\"keep\"=hex(7):41,00,00,00,\\\r\n  00,00\r\n\r\n"
                "[HKEY_LOCAL_MACHINE\\P\\Two]\r\n@=dword:00000002\r\n\r\n"
                "[HKEY_CURRENT_USER\\P\\One]\r\n\"other\"=\"root\"\r\n");
  EXPECT_EQ(SubKeys(product), std::vector<std::wstring>{L"Two"});
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(one, L"INSTALL_PATH", nullptr, nullptr, nullptr, &size),
            ERROR_KEY_DELETED);
  EXPECT_EQ(RegEnumKeyExW(one, 0, nullptr, &size, nullptr, nullptr, nullptr, nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegDeleteKeyW(product, L"One"), ERROR_FILE_NOT_FOUND);

  qiv::posix::ReloadRegistry();  // what a new process would see
  EXPECT_EQ(OpenStatus(L"P\\One"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(QueryString(L"P", L"keep"), std::wstring(L"A\0", 2));  // multi-string A
  EXPECT_EQ(SubKeys(product), std::vector<std::wstring>{L"Two"});  // still open after reload
  EXPECT_EQ(RegQueryValueExW(one, L"INSTALL_PATH", nullptr, nullptr, nullptr, &size),
            ERROR_KEY_DELETED);
  EXPECT_EQ(RegCloseKey(one), ERROR_SUCCESS);
  opened_.erase(opened_.begin() + 1);
}

TEST_F(RegistryTest, DeletingTheLastTraceOfAKeyKeepsItsParent) {
  Load(kHeader + "[HKEY_LOCAL_MACHINE\\A\\B\\C]\r\n\"v\"=\"1\"\r\n\r\n[HKEY_LOCAL_MACHINE\\Z]\r\n");
  ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"A\\B\\C"), ERROR_SUCCESS);
  EXPECT_EQ(ReadFile(file_),
            kHeader + "[HKEY_LOCAL_MACHINE\\A\\B]\r\n\r\n[HKEY_LOCAL_MACHINE\\Z]\r\n");
  ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"A\\B"), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"A"), ERROR_SUCCESS);
  EXPECT_EQ(ReadFile(file_), kHeader + "[HKEY_LOCAL_MACHINE\\Z]\r\n");
  qiv::posix::ReloadRegistry();
  EXPECT_EQ(SubKeys(HKEY_LOCAL_MACHINE), std::vector<std::wstring>{L"Z"});
}

TEST_F(RegistryTest, DeletionOfAKeyRecreatedAfterADeletionSection) {
  Load(kHeader + "[HKEY_LOCAL_MACHINE\\A\\K\\Old]\r\n[-HKEY_LOCAL_MACHINE\\A\\K\\Old]\r\n");
  ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"A\\K"), ERROR_SUCCESS);
  qiv::posix::ReloadRegistry();
  EXPECT_EQ(OpenStatus(L"A\\K"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(OpenStatus(L"A"), ERROR_SUCCESS);
}

TEST_F(RegistryTest, Utf16FileIsRewrittenAsUtf16) {
  Load(
      Utf16Le("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\P\\G]\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\P\\H]\r\n"));
  ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"P\\G"), ERROR_SUCCESS);
  EXPECT_EQ(ReadFile(file_),
            Utf16Le("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\P\\H]\r\n"));
}

TEST_F(RegistryTest, FailedReplacementLeavesFileAndKeys) {
  const std::string original = kHeader + "[HKEY_LOCAL_MACHINE\\P\\G]\r\n";
  Load(original);
  qiv::posix::SetRenameFunctionForTesting([](const char*, const char*) {
    errno = EACCES;
    return -1;
  });
  EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"P\\G"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(ReadFile(file_), original);
  EXPECT_EQ(OpenStatus(L"P\\G"), ERROR_SUCCESS);
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 1u);  // no temporary file left behind
}

TEST_F(RegistryTest, ArbitraryBytesNeverBreakTheReader) {
  std::mt19937 random(7);
  const std::string alphabet =
      "[]\\\"@=-:,;hexdword()0123456789abcHKEY_LOCAL_MACHINE\r\n \xFF\xFE\xC3";
  for (int round = 0; round < 300; ++round) {
    std::string bytes = round % 2 ? kHeader : std::string();
    const size_t length = random() % 200;
    for (size_t i = 0; i < length; ++i) bytes.push_back(alphabet[random() % alphabet.size()]);
    qiv::posix::RegistryDocument document = qiv::posix::RegistryDocument::FromBytes(bytes);
    qiv::posix::RegistryTree tree;
    document.BuildTree(tree);
    EXPECT_EQ(document.ToBytes().size() > 0, !bytes.empty() && bytes != "\xEF\xBB\xBF");
  }
}

}  // namespace

#endif  // _WIN32
