#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/posix/utf.h"
#include "platform/win32.h"
#include "scratch.h"

namespace {

using qiv::testing::Exists;
using qiv::testing::ReadFile;
using qiv::testing::ScopedEnv;
using qiv::testing::ScratchDir;
using qiv::testing::WriteFile;

class ProfileTest : public ::testing::Test {
 protected:
  // The Windows path of a file in the scratch directory (drive Z: is "/").
  std::wstring WindowsPath(const std::string& name) {
    std::wstring path = L"Z:" + qiv::posix::Utf8ToUtf16(dir_.File(name));
    for (wchar_t& unit : path) {
      if (unit == L'/') unit = L'\\';
    }
    return path;
  }

  ScratchDir dir_;
  std::string file_ = dir_.File("Register.ini");
  std::wstring path_ = WindowsPath("Register.ini");
};

struct ReadCase {
  const char* title;
  std::string file;
  const wchar_t* section;
  const wchar_t* key;
  const wchar_t* fallback;
  DWORD size;
  std::wstring expected;
};

TEST_F(ProfileTest, ReadsLikeWindows) {
  const std::string sample = "[registered_from]\r\ntrans_id=T1\r\n";
  const std::vector<ReadCase> cases = {
      {"plain value", sample, L"registered_from", L"trans_id", L"", 256, L"T1"},
      {"names ignore case and blanks", sample, L" REGISTERED_from ", L"TRANS_ID ", L"", 256, L"T1"},
      {"value trimmed", "[s]\r\n  k =  a b \t\r\n", L"s", L"k", L"", 256, L"a b"},
      {"double quotes removed", "[s]\nk=\" a \"\n", L"s", L"k", L"", 256, L" a "},
      {"single quotes removed", "[s]\nk='a'\n", L"s", L"k", L"", 256, L"a"},
      {"only one pair removed", "[s]\nk=\"\"a\"\"\n", L"s", L"k", L"", 256, L"\"a\""},
      {"mismatched quotes kept", "[s]\nk=\"a'\n", L"s", L"k", L"", 256, L"\"a'"},
      {"lone quote kept", "[s]\nk=\"\n", L"s", L"k", L"", 256, L"\""},
      {"empty quotes", "[s]\nk=\"\"\n", L"s", L"k", L"d", 256, L""},
      {"empty value is not a miss", "[s]\nk=\n", L"s", L"k", L"d", 256, L""},
      {"truncated to size - 1", "[s]\nk=0123456789012345678901234567890123456789\n", L"s", L"k",
       L"", 32, L"0123456789012345678901234567890"},
      {"missing key gives the default", sample, L"registered_from", L"offer_id", L"def", 256,
       L"def"},
      {"missing section gives the default", sample, L"other", L"trans_id", L"def", 256, L"def"},
      {"null default is empty", sample, L"other", L"trans_id", nullptr, 256, L""},
      {"default loses trailing blanks", sample, L"other", L"k", L"def  ", 256, L"def"},
      {"default truncated too", sample, L"other", L"k", L"abcdef", 4, L"abc"},
      {"line without equals is no value", "[s]\nk\n", L"s", L"k", L"d", 256, L"d"},
      {"comment is no key", "[s]\n;k=x\n", L"s", L";k", L"d", 256, L"d"},
      {"first section of a name counts", "[s]\na=1\n[S]\nk=2\n", L"s", L"k", L"d", 256, L"d"},
      {"first key of a name counts", "[s]\nk=1\nK=2\n", L"s", L"k", L"", 256, L"1"},
      {"UTF-8 byte order mark", "\xEF\xBB\xBF[s]\nk=caf\xC3\xA9\n", L"s", L"k", L"", 256,
       L"caf\u00e9"},
      {"UTF-16LE", std::string("\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0\xE9\0", 18), L"s", L"k", L"", 256,
       L"\u00e9"},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.title);
    WriteFile(file_, c.file);
    wchar_t buffer[257];  // one unit more, to see that nothing is written past `size`
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    const DWORD copied =
        GetPrivateProfileStringW(c.section, c.key, c.fallback, buffer, c.size, path_.c_str());
    EXPECT_EQ(std::wstring(buffer), c.expected);
    EXPECT_EQ(copied, c.expected.size());
    EXPECT_EQ(buffer[c.size], L'#');
  }
}

TEST_F(ProfileTest, MissingFileGivesTheDefaultAndCreatesNothing) {
  wchar_t buffer[32];
  EXPECT_EQ(GetPrivateProfileStringW(L"s", L"k", L"x", buffer, 32, path_.c_str()), 1u);
  EXPECT_EQ(std::wstring(buffer), L"x");
  EXPECT_EQ(GetPrivateProfileStringW(L"s", L"k", L"x", buffer, 32, L"C:\\Nowhere\\a.ini"), 1u);
  EXPECT_FALSE(Exists(file_));
}

TEST_F(ProfileTest, WritesCreateFileSectionAndKey) {
  ASSERT_TRUE(WritePrivateProfileStringW(L"registered_from", L"trans_id", L"T1", path_.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(L"registered_from", L"offer_id", L"", path_.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(L"other", L"k", L"v", path_.c_str()));
  EXPECT_EQ(ReadFile(file_),
            "[registered_from]\r\ntrans_id=T1\r\noffer_id=\r\n\r\n[other]\r\nk=v\r\n");
}

TEST_F(ProfileTest, WritesKeepEverythingElse) {
  WriteFile(file_,
            "; attribution\n[registered_from]\nTrans_Id = old ; not a comment\n\n"
            "[keep]\nx=1\n[Registered_From]\nlate=1");
  ASSERT_TRUE(WritePrivateProfileStringW(L"REGISTERED_FROM", L"trans_id", L"new", path_.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(L"registered_from", L"region", L"eu", path_.c_str()));
  // Line breaks in a value reach the file as they are, as on Windows: the program
  // itself keeps its values on one line.
  ASSERT_TRUE(WritePrivateProfileStringW(L"keep", L"y", L"line\r\n[evil]\nz=1", path_.c_str()));
  EXPECT_EQ(ReadFile(file_),
            "; attribution\n[registered_from]\nTrans_Id=new\nregion=eu\n\n"
            "[keep]\nx=1\ny=line\r\n[evil]\nz=1\n[Registered_From]\nlate=1");

  ASSERT_TRUE(WritePrivateProfileStringW(L"registered_from", L"region", nullptr, path_.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(L"keep", nullptr, nullptr, path_.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringW(L"absent", L"k", nullptr, path_.c_str()));
  EXPECT_EQ(
      ReadFile(file_),
      "; attribution\n[registered_from]\nTrans_Id=new\n\n[evil]\nz=1\n[Registered_From]\nlate=1");
}

TEST_F(ProfileTest, WriteFailsWithoutCreatingAnything) {
  const std::wstring missingDir = WindowsPath("missing\\Register.ini");
  EXPECT_FALSE(WritePrivateProfileStringW(L"s", L"k", L"v", missingDir.c_str()));
  EXPECT_FALSE(Exists(dir_.File("missing")));
  {
    ScopedEnv noDrives("QIV_DRIVE_ROOT", nullptr);
    EXPECT_FALSE(WritePrivateProfileStringW(L"s", L"k", L"v", L"C:\\Client\\Register.ini"));
  }
  EXPECT_FALSE(WritePrivateProfileStringW(L"s", L"k", L"v", WindowsPath("").c_str()));
  // Deleting from a file that does not exist changes nothing and creates nothing.
  EXPECT_TRUE(WritePrivateProfileStringW(L"s", nullptr, nullptr, path_.c_str()));
  EXPECT_FALSE(Exists(file_));
}

TEST_F(ProfileTest, ReadOnlyFilesAreNotWritten) {
  WriteFile(file_, "[registered_from]\ntrans_id=old\n");
  ASSERT_EQ(chmod(file_.c_str(), 0444), 0);
  EXPECT_FALSE(WritePrivateProfileStringW(L"registered_from", L"trans_id", L"new", path_.c_str()));
  EXPECT_EQ(ReadFile(file_), "[registered_from]\ntrans_id=old\n");
}

TEST_F(ProfileTest, OnlyRegularFilesAreRead) {
  ASSERT_EQ(mkfifo(file_.c_str(), 0600), 0);  // opening it for reading would block
  wchar_t buffer[8];
  EXPECT_EQ(GetPrivateProfileStringW(L"s", L"k", L"d", buffer, 8, path_.c_str()), 1u);
  EXPECT_FALSE(WritePrivateProfileStringW(L"s", L"k", L"v", path_.c_str()));
  const std::wstring directory = WindowsPath("");
  EXPECT_EQ(GetPrivateProfileStringW(L"s", L"k", L"d", buffer, 8, directory.c_str()), 1u);
}

TEST_F(ProfileTest, BareNamesLiveInTheWindowsDirectory) {
  ScopedEnv windowsDir("QIV_WINDOWS_DIR", dir_.Path().c_str());
  ASSERT_TRUE(WritePrivateProfileStringW(L"registered_from", L"gclid", L"G", L"Register.ini"));
  EXPECT_EQ(ReadFile(file_), "[registered_from]\r\ngclid=G\r\n");
  wchar_t buffer[32];
  EXPECT_EQ(
      GetPrivateProfileStringW(L"registered_from", L"gclid", L"", buffer, 32, L"Register.ini"), 1u);
  EXPECT_EQ(std::wstring(buffer), L"G");
}

TEST_F(ProfileTest, ListsSectionAndKeyNames) {
  WriteFile(file_, "[alpha]\na=1\nbb=2\nnovalue\n[beta]\n");
  wchar_t buffer[32];
  EXPECT_EQ(GetPrivateProfileStringW(nullptr, nullptr, L"", buffer, 32, path_.c_str()), 11u);
  EXPECT_EQ(std::wstring(buffer, 12), std::wstring(L"alpha\0beta\0", 12));
  EXPECT_EQ(GetPrivateProfileStringW(L"ALPHA", nullptr, L"", buffer, 32, path_.c_str()), 5u);
  EXPECT_EQ(std::wstring(buffer, 6), std::wstring(L"a\0bb\0\0", 6));
  // Too small: the last name is cut, two nulls end the list, the result is size - 2.
  EXPECT_EQ(GetPrivateProfileStringW(nullptr, nullptr, L"", buffer, 9, path_.c_str()), 7u);
  EXPECT_EQ(std::wstring(buffer, 9), std::wstring(L"alpha\0be\0", 9).substr(0, 7) + L'\0' + L'\0');
}

}  // namespace

#endif  // _WIN32
