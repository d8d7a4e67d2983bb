// Values set in a profile file through its held folder: the file keeps what it held,
// nothing is written where the profile functions would not write, and a folder
// swapped before the write gets nothing. Runs on both builds (the Windows one under
// Wine); the links planted at the file's name are the end-to-end rows
// (tests/e2e/test_register_ini.py), where both runners can make them.
#include "removal/delete/held_profile_update.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "platform/win32.h"
#include "removal/delete/folder_chain_hold.h"

#ifndef _WIN32
#include "platform/posix/scratch.h"
#endif

namespace {

namespace fs = std::filesystem;
using qiv::platform::ProfileValue;

std::wstring WindowsPath(const fs::path& path) {
#ifdef _WIN32
  return fs::absolute(path).make_preferred().wstring();
#else
  return qiv::testing::WindowsPath(fs::absolute(path).string());
#endif
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Utf16(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (const char byte : ascii) bytes += std::string{byte, '\0'};
  return bytes;
}

const std::vector<ProfileValue> kValues = {{L"trans_id", L"T1"}, {L"gclid", L"G1"}};
const char kWritten[] = "[registered_from]\r\ntrans_id=T1\r\ngclid=G1\r\n";

class HeldProfileUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    base_ = fs::temp_directory_path() / (std::string("qiv-profile-") + info->name());
    fs::remove_all(base_);
    fs::create_directories(Client());
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(Ini(), fs::perms::owner_write, fs::perm_options::add, ignored);
    fs::remove_all(base_, ignored);
  }
  fs::path Client() const { return base_ / "client"; }
  fs::path Ini() const { return Client() / "Register.ini"; }
  bool Set() {
    return qiv::removal::SetProfileValues(WindowsPath(Ini()), L"registered_from", kValues);
  }
  // Register.ini is a file of its own, holding exactly `bytes`.
  void ExpectOwnFile(const std::string& bytes) {
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(Ini())));
    EXPECT_EQ(fs::hard_link_count(Ini()), 1u);
    EXPECT_EQ(Read(Ini()), bytes);
  }

  fs::path base_;
};

TEST_F(HeldProfileUpdateTest, AFileOfItsOwnKeepsWhatItHeld) {
  Write(Ini(), "; kept\r\n[other]\r\nk=v\r\n[registered_from]\r\ngclid=old\r\n");
  EXPECT_TRUE(Set());
  ExpectOwnFile("; kept\r\n[other]\r\nk=v\r\n[registered_from]\r\ngclid=G1\r\ntrans_id=T1\r\n");
  // Nothing stays beside it: the new text went in under a temporary name.
  EXPECT_EQ(std::distance(fs::directory_iterator(Client()), fs::directory_iterator()), 1);

  // A UTF-16 file stays UTF-16, and the profile functions read the values back.
  Write(Ini(), Utf16("[a]\r\n"));
  EXPECT_TRUE(Set());
  ExpectOwnFile(Utf16("[a]\r\n\r\n[registered_from]\r\ntrans_id=T1\r\ngclid=G1\r\n"));
  wchar_t value[16] = {};
  GetPrivateProfileStringW(L"registered_from", L"gclid", L"?", value, 16,
                           WindowsPath(Ini()).c_str());
  EXPECT_EQ(std::wstring(value), L"G1");

#ifdef _WIN32
  // A hidden file stays hidden (where the file system keeps the attribute at all).
  SetFileAttributesW(WindowsPath(Ini()).c_str(), FILE_ATTRIBUTE_HIDDEN);
  if ((GetFileAttributesW(WindowsPath(Ini()).c_str()) & FILE_ATTRIBUTE_HIDDEN) != 0) {
    EXPECT_TRUE(Set());
    EXPECT_NE(GetFileAttributesW(WindowsPath(Ini()).c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  }
#endif
}

// Nothing is written where the profile functions would not write either, nor into
// a folder that is no longer the one read.
TEST_F(HeldProfileUpdateTest, NothingIsWrittenWhereTheFolderOrFileIsNotAsRead) {
  EXPECT_FALSE(qiv::removal::SetProfileValues(L"", L"registered_from", kValues));
  EXPECT_FALSE(qiv::removal::SetProfileValues(WindowsPath(base_ / "missing" / "Register.ini"),
                                              L"registered_from", kValues));
  EXPECT_FALSE(fs::exists(base_ / "missing"));
  EXPECT_FALSE(
      qiv::removal::SetProfileValues(WindowsPath(Client()) + L"\\", L"registered_from", kValues));

  Write(Ini(), "[registered_from]\r\n");
  fs::permissions(Ini(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(Set());
  EXPECT_EQ(Read(Ini()), "[registered_from]\r\n");
  fs::permissions(Ini(), fs::perms::owner_write, fs::perm_options::add);
  fs::remove(Ini());

  // The client folder swapped for another between the read and the write: Windows
  // refuses it while the folder is held; the stand-in cannot, and the hold notices.
  static fs::path swapped;
  swapped = Client();
  fs::create_directories(base_ / "decoy");
  qiv::removal::SetRecheckObserver([](const std::wstring&) {
    std::error_code error;
    fs::rename(swapped, swapped.string() + ".away", error);
    if (!error) fs::rename(swapped.parent_path() / "decoy", swapped);
  });
  const bool written = Set();
  qiv::removal::SetRecheckObserver(nullptr);
  const bool refused = fs::exists(base_ / "decoy");
  EXPECT_EQ(written, refused);
  if (refused) ExpectOwnFile(kWritten);
  if (!refused) {
    EXPECT_FALSE(fs::exists(Ini()));                                   // the decoy got nothing
    EXPECT_FALSE(fs::exists(base_ / "client.away" / "Register.ini"));  // nor the real one
  }
#ifdef _WIN32
  EXPECT_TRUE(refused);
#endif
}

#ifndef _WIN32
// A bare name lies in the Windows directory, where the profile functions read it.
TEST_F(HeldProfileUpdateTest, ABareNameLiesInTheWindowsDirectory) {
  const qiv::testing::ScopedEnv windows("QIV_WINDOWS_DIR", Client().c_str());
  EXPECT_TRUE(qiv::removal::SetProfileValues(L"Register.ini", L"registered_from", kValues));
  ExpectOwnFile(kWritten);
}
#endif

}  // namespace
