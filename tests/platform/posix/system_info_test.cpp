#ifndef _WIN32

#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "scratch.h"

namespace {

using qiv::testing::ScopedEnv;

struct VersionCase {
  const char* setting;
  DWORD major, minor, build;
  const wchar_t* servicePack;
  WORD servicePackMajor;
  BYTE productType;
  WORD suiteMask;
};

TEST(SystemInfo, VersionIsFixedOrSetByTheEnvironment) {
  const VersionCase cases[] = {
      {nullptr, 6, 1, 7601, L"Service Pack 1", 1, VER_NT_WORKSTATION, 0x0100},
      {"5.1.2600:Service Pack 3", 5, 1, 2600, L"Service Pack 3", 3, VER_NT_WORKSTATION, 0},
      {"5.2.3790.3.8000:", 5, 2, 3790, L"", 0, 3, VER_SUITE_WH_SERVER},
      {"10.0.19045", 10, 0, 19045, L"", 0, VER_NT_WORKSTATION, 0},
      {"6.0.6002.1:Service Pack 2, v.286", 6, 0, 6002, L"Service Pack 2, v.286", 0,
       VER_NT_WORKSTATION, 0},
      {"6.1", 6, 1, 7601, L"Service Pack 1", 1, VER_NT_WORKSTATION, 0x0100},       // unreadable
      {"6.1.x:SP", 6, 1, 7601, L"Service Pack 1", 1, VER_NT_WORKSTATION, 0x0100},  // unreadable
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(c.setting ? c.setting : "(unset)");
    ScopedEnv env("QIV_OS_VERSION", c.setting);
    OSVERSIONINFOEXW extended{};
    extended.dwOSVersionInfoSize = sizeof extended;
    ASSERT_TRUE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&extended)));
    EXPECT_EQ(extended.dwMajorVersion, c.major);
    EXPECT_EQ(extended.dwMinorVersion, c.minor);
    EXPECT_EQ(extended.dwBuildNumber, c.build);
    EXPECT_EQ(extended.dwPlatformId, 2u);
    EXPECT_EQ(std::wstring(extended.szCSDVersion), c.servicePack);
    EXPECT_EQ(extended.wServicePackMajor, c.servicePackMajor);
    EXPECT_EQ(extended.wProductType, c.productType);
    EXPECT_EQ(extended.wSuiteMask, c.suiteMask);

    OSVERSIONINFOW basic{};
    basic.dwOSVersionInfoSize = sizeof basic;
    ASSERT_TRUE(GetVersionExW(&basic));
    EXPECT_EQ(basic.dwBuildNumber, c.build);
  }
  OSVERSIONINFOW wrongSize{};
  wrongSize.dwOSVersionInfoSize = sizeof wrongSize - 4;
  EXPECT_FALSE(GetVersionExW(&wrongSize));
  EXPECT_FALSE(GetVersionExW(nullptr));
}

TEST(SystemInfo, ThirtyTwoBitProcessOnSixtyFourBitWindows) {
  SYSTEM_INFO info{};
  info.wProcessorArchitecture = PROCESSOR_ARCHITECTURE_AMD64;
  GetSystemInfo(&info);
  EXPECT_EQ(info.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL);
  EXPECT_GE(info.dwNumberOfProcessors, 1u);
  EXPECT_EQ(GetSystemMetrics(SM_SERVERR2), 0);

  BOOL wow64 = FALSE;
  {
    ScopedEnv unset("QIV_WOW64", nullptr);
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    EXPECT_TRUE(wow64);
  }
  ScopedEnv native("QIV_WOW64", "0");
  ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
  EXPECT_FALSE(wow64);
  EXPECT_FALSE(IsWow64Process(reinterpret_cast<HANDLE>(0x44), &wow64));
}

}  // namespace

#endif  // _WIN32
