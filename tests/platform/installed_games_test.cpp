// The installed-game list over the POSIX registry stand-in, which reads the same
// regedit files that Wine imports.
#ifndef _WIN32

#include "platform/installed_games.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/posix/registry_store.h"
#include "platform/posix/scratch.h"

namespace {

using qiv::testing::ScopedEnv;
using qiv::testing::ScratchDir;
using qiv::testing::WriteFile;

const std::string kHeader = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string kProduct = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvandel\\Vantor";

class InstalledGamesTest : public testing::Test {
 protected:
  void Use(const std::string& registryFile) {
    environment_.emplace("QIV_REGISTRY_FILE", registryFile.c_str());
    qiv::posix::ReloadRegistry();
  }
  void UseText(const std::string& text) {
    WriteFile(scratch_.File("registry.reg"), kHeader + text);
    Use(scratch_.File("registry.reg"));
  }
  void TearDown() override {
    environment_.reset();
    qiv::posix::ReloadRegistry();
  }

  ScratchDir scratch_;
  std::optional<ScopedEnv> environment_;
};

TEST_F(InstalledGamesTest, SortedByCodeUnitWithoutDuplicates) {
  Use(QIV_TEST_DATA_DIR "/commands/games.reg");
  // Capitals sort first and non-ASCII last; the game without an abbreviation and
  // the value of a key below a game are not listed.
  EXPECT_EQ(GetInstalledGameList(), L"B|a|b|\u00E9c|");
}

TEST_F(InstalledGamesTest, EmptyWithoutProductKeyOrGames) {
  UseText("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvandel]\r\n");
  EXPECT_EQ(GetInstalledGameList(), L"");
  UseText(kProduct + "]\r\n");
  EXPECT_EQ(GetInstalledGameList(), L"");
}

TEST_F(InstalledGamesTest, NameTooLongForTheBufferIsSkipped) {
  const std::string longName(600, 'n');
  UseText(kProduct + "\\A]\r\n\"APP_ABBR\"=\"first\"\r\n\r\n" + kProduct + "\\" + longName +
          "]\r\n\"APP_ABBR\"=\"long\"\r\n\r\n" + kProduct + "\\Z]\r\n\"APP_ABBR\"=\"last\"\r\n");
  EXPECT_EQ(GetInstalledGameList(), L"first|last|");
}

TEST_F(InstalledGamesTest, ValueLongerThanTheReadLimitIsLeftOut) {
  // 511 characters and the terminator fill the 1,024 bytes read; one more does not fit.
  const std::string fits(511, 'f');
  const std::string tooLong(512, 't');
  UseText(kProduct + "\\A]\r\n\"APP_ABBR\"=\"" + fits + "\"\r\n\r\n" + kProduct +
          "\\B]\r\n\"APP_ABBR\"=\"" + tooLong + "\"\r\n");
  EXPECT_EQ(GetInstalledGameList(), std::wstring(511, L'f') + L"|");
}

}  // namespace

#endif  // _WIN32
