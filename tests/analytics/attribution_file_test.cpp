// Register.ini written by the installer's last stage (through its held folder) and
// read back by the uninstaller through the system's profile functions (the
// stand-in's on Linux).
#include "analytics/attribution_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "removal/delete/held_profile_update.h"

#ifndef _WIN32
#include "platform/posix/scratch.h"
#include "platform/posix/utf.h"
#endif

namespace {

class AttributionFileTest : public testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    wchar_t folder[MAX_PATH] = {};
    wchar_t file[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
    ASSERT_NE(GetTempFileNameW(folder, L"qiv", 0, file), 0u);
    path_ = file;
#else
    path_ = L"Z:" + qiv::posix::Utf8ToUtf16(dir_.File("Register.ini"));
    for (wchar_t& unit : path_) {
      if (unit == L'/') unit = L'\\';
    }
#endif
  }
  void TearDown() override { DeleteFileW(path_.c_str()); }

  void Store(const Attribution& values) {
    ASSERT_TRUE(qiv::removal::SetProfileValues(path_, attribution::kSection,
                                               attribution::StoredValues(values)));
  }
  String::_tstringW Value(const wchar_t* key) {
    wchar_t buffer[512] = {};
    GetPrivateProfileStringW(attribution::kSection, key, L"?", buffer, 512, path_.c_str());
    return String::_tstringW(static_cast<const wchar_t*>(buffer));
  }

#ifndef _WIN32
  qiv::testing::ScratchDir dir_;
#endif
  String::_tstringW path_;
};

TEST_F(AttributionFileTest, WhatIsStoredReadsBack) {
  const Attribution stored{L"trans-1", L"offer-2", L"vendor-3", L"en US", L"xnb", L"Cj0KCQ"};
  Store(stored);
  const Attribution read = attribution::Read(path_);
  EXPECT_EQ(read.transactionId, stored.transactionId);
  EXPECT_EQ(read.offerId, stored.offerId);
  EXPECT_EQ(read.vendorId, stored.vendorId);
  EXPECT_EQ(read.gameAbbr, stored.gameAbbr);
  EXPECT_EQ(read.gclid, stored.gclid);
  EXPECT_EQ(read.region, L"");  // the uninstaller is told its language instead
  EXPECT_EQ(Value(attribution::kRegion), L"en US");
  for (const wchar_t* flag : attribution::kTriggerFlags) EXPECT_EQ(Value(flag), L"0") << flag;
}

TEST_F(AttributionFileTest, LineBreaksCannotStartEntriesAndLongValuesAreCut) {
  Attribution stored;
  stored.transactionId = L"t\r\n[other]\nvendor_id=forged";
  stored.gameAbbr = String::_tstringW(std::wstring(40, L'g'));
  stored.gclid = String::_tstringW(std::wstring(300, L'c'));
  Store(stored);
  const Attribution read = attribution::Read(path_);
  EXPECT_EQ(read.transactionId, L"t  [other] vendor_id=forged");
  EXPECT_EQ(read.vendorId, L"");
  EXPECT_EQ(read.gameAbbr, std::wstring(31, L'g'));
  EXPECT_EQ(read.gclid, std::wstring(255, L'c'));
}

TEST_F(AttributionFileTest, AMissingFileReadsAsEmpty) {
  DeleteFileW(path_.c_str());
  const Attribution read = attribution::Read(path_);
  EXPECT_TRUE(read.transactionId.empty() && read.offerId.empty() && read.vendorId.empty() &&
              read.gameAbbr.empty() && read.gclid.empty());
}

}  // namespace
