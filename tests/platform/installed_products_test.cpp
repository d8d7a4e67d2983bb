#include "platform/installed_products.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qiv::platform::LocationFolder;
using qiv::platform::ProgramFolder;

// What the Uninstall entries of real installers hold, and what must name nothing.
TEST(InstalledProducts, FoldersOfProgramsAndLocations) {
  const struct {
    const wchar_t* text;
    const wchar_t* program;   // ProgramFolder, null: nothing
    const wchar_t* location;  // LocationFolder, null: nothing
  } corpus[] = {
      {L"\"C:\\Program Files\\App\\unins000.exe\" /SILENT", L"C:\\Program Files\\App", nullptr},
      {L"C:\\Program Files\\App\\uninstall.exe /S", L"C:\\Program Files\\App",
       L"C:\\Program Files\\App\\uninstall.exe \\S"},
      {L"C:\\Program Files\\App\\app.EXE,0", L"C:\\Program Files\\App",
       L"C:\\Program Files\\App\\app.EXE,0"},
      {L"D:\\Games\\Title\\icon.ico,-101", L"D:\\Games\\Title", L"D:\\Games\\Title\\icon.ico,-101"},
      {L"  D:/Games/Title/game.exe", L"D:\\Games\\Title", L"D:\\Games\\Title\\game.exe"},
      {L"\\\\server\\share\\App\\setup.exe", L"\\\\server\\share\\App",
       L"\\\\server\\share\\App\\setup.exe"},
      {L"C:\\setup.exe", L"C:\\", L"C:\\setup.exe"},
      {L"D:\\Games\\Title\\", nullptr, L"D:\\Games\\Title"},
      {L"\"D:\\Games\\Title\\\" ", nullptr, L"D:\\Games\\Title"},
      {L"C:\\", nullptr, L"C:\\"},
      {L"MsiExec.exe /X{12345678-1234-1234-1234-123456789012}", nullptr, nullptr},
      {L"rundll32.exe C:\\Windows\\x.dll,Remove", nullptr, nullptr},
      {L"\"C:\\Program Files\\App\\unins000.exe", nullptr, nullptr},
      {L"app.exe", nullptr, nullptr},
      {L"Games\\Title", nullptr, nullptr},
      {L"\\Games\\Title", L"\\Games", L"\\Games\\Title"},
      {L"/setup.exe", L"\\", L"\\setup.exe"},
      {L"", nullptr, nullptr},
      {L"  ", nullptr, nullptr},
  };
  for (const auto& entry : corpus) {
    const std::optional<std::wstring> program = ProgramFolder(entry.text);
    const std::optional<std::wstring> location = LocationFolder(entry.text);
    EXPECT_EQ(program.value_or(L"(none)"), entry.program ? entry.program : L"(none)")
        << "program of " << testing::PrintToString(std::wstring(entry.text));
    EXPECT_EQ(location.value_or(L"(none)"), entry.location ? entry.location : L"(none)")
        << "location of " << testing::PrintToString(std::wstring(entry.text));
  }
}

}  // namespace
