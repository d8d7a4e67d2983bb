#include "base/paths/windows_path.h"

#include <gtest/gtest.h>

namespace {

using qiv::paths::NormaliseWindowsPath;

struct NormaliseCase {
  const wchar_t* input;
  const wchar_t* expected;  // null: refused
};

TEST(WindowsPathTest, NormalisesAsWindowsDoes) {
  const NormaliseCase cases[] = {
      {L"C:\\Games\\Title", L"C:\\Games\\Title"},
      {L"C:/Games//Title/", L"C:\\Games\\Title"},
      {L"C:\\Games\\.\\Title\\.", L"C:\\Games\\Title"},
      {L"C:\\Games\\Other\\..\\Title", L"C:\\Games\\Title"},
      {L"C:\\Windows\\..", L"C:\\"},
      {L"C:\\..\\..\\Windows", L"C:\\Windows"},
      {L"C:\\Games\\Title. . ", L"C:\\Games\\Title"},
      {L"C:\\.", L"C:\\"},
      {L"C:\\", L"C:\\"},
      {L"\\\\?\\C:\\Games\\Title\\", L"C:\\Games\\Title"},
      {L"\\\\.\\C:\\Games\\..\\Title", L"C:\\Title"},
      {L"\\\\?\\UNC\\server\\share\\Games", L"\\\\server\\share\\Games"},
      {L"\\\\server\\share", L"\\\\server\\share\\"},
      {L"//server/share/Games/Title", L"\\\\server\\share\\Games\\Title"},
      // Not absolute, or not a drive or share path.
      {L"", nullptr},
      {L"   ", nullptr},
      {L"Games\\Title", nullptr},
      {L"\\Games\\Title", nullptr},
      {L"C:", nullptr},
      {L"C:Games", nullptr},
      {L"1:\\Games", nullptr},
      {L"\\\\server", nullptr},
      {L"\\\\server\\", nullptr},
      {L"\\\\.\\PhysicalDrive0", nullptr},
      {L"\\\\?\\Volume{12345678-1234-1234-1234-123456789abc}\\Games", nullptr},
      // A literal path must not need cleaning, or it would name another folder.
      {L"\\\\?\\C:\\Games\\Title.", nullptr},
      {L"\\\\?\\C:\\Games\\..\\Windows", nullptr},
      // Wildcards would widen a shell deletion; other characters name no file.
      {L"C:\\Games\\*", nullptr},
      {L"C:\\Games\\Title?", nullptr},
      {L"C:\\Games\\Ti|tle", nullptr},
      {L"C:\\Games\\Title:stream", nullptr},
  };
  for (const NormaliseCase& c : cases) {
    const auto normalised = NormaliseWindowsPath(c.input);
    if (c.expected == nullptr) {
      EXPECT_FALSE(normalised.has_value()) << "accepted: " << testing::PrintToString(c.input);
    } else if (!normalised) {
      ADD_FAILURE() << "refused: " << testing::PrintToString(c.input);
    } else {
      EXPECT_EQ(normalised->Text(), c.expected) << testing::PrintToString(c.input);
    }
  }
}

TEST(WindowsPathTest, ASingleLeadingSeparatorMeansTheCurrentDrive) {
  const auto onDrive = NormaliseWindowsPath(L"\\Games\\..\\Windows", L"C:");
  ASSERT_TRUE(onDrive.has_value());
  EXPECT_EQ(onDrive->Text(), L"C:\\Windows");
  EXPECT_FALSE(NormaliseWindowsPath(L"\\Games", L"").has_value());
  EXPECT_FALSE(NormaliseWindowsPath(L"\\Games", L"\\\\server").has_value());
  EXPECT_FALSE(NormaliseWindowsPath(L"Games", L"C:").has_value());
  EXPECT_EQ(NormaliseWindowsPath(L"\\\\server\\share\\x", L"C:")->Text(), L"\\\\server\\share\\x");
}

TEST(WindowsPathTest, ContainsComparesWithoutCase) {
  const auto games = NormaliseWindowsPath(L"c:\\program files\\GAMES");
  const auto title = NormaliseWindowsPath(L"C:\\Program Files\\Games\\Title");
  const auto other = NormaliseWindowsPath(L"D:\\Program Files\\Games\\Title");
  const auto sibling = NormaliseWindowsPath(L"C:\\Program Files\\GamesX");
  ASSERT_TRUE(games && title && other && sibling);
  EXPECT_TRUE(games->Contains(*title));
  EXPECT_TRUE(games->Contains(*games));
  EXPECT_FALSE(title->Contains(*games));
  EXPECT_FALSE(games->Contains(*other));
  EXPECT_FALSE(games->Contains(*sibling));
  EXPECT_EQ(String::FoldFileName(L"\u00c9T\u00c9 \u0416 \u0401 \u03a3"),
            L"\u00e9t\u00e9 \u0436 \u0451 \u03c3");
}

}  // namespace
