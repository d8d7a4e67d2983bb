#include "platform/os_description.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <ostream>
#include <string>

namespace {

struct SystemCase {
  const char* name;
  DWORD major;
  DWORD minor;
  BYTE productType;
  WORD suiteMask;
  WORD processor;
  int serverR2;
  const wchar_t* servicePack;
  BOOL isWow64;
  const wchar_t* description;
};

OperatingSystemFacts Facts(const SystemCase& c) {
  OperatingSystemFacts facts;
  std::memset(&facts, 0, sizeof(facts));
  facts.version.dwMajorVersion = c.major;
  facts.version.dwMinorVersion = c.minor;
  facts.version.wProductType = c.productType;
  facts.version.wSuiteMask = c.suiteMask;
  std::wcsncpy(facts.version.szCSDVersion, c.servicePack, 127);
  facts.system.wProcessorArchitecture = c.processor;
  facts.isWow64 = c.isWow64;
  facts.serverR2 = c.serverR2;
  return facts;
}

void PrintTo(const SystemCase& c, std::ostream* os) { *os << c.name; }

class OperatingSystemDescriptionTest : public testing::TestWithParam<SystemCase> {};

TEST_P(OperatingSystemDescriptionTest, DescribesTheSystem) {
  EXPECT_EQ(DescribeOperatingSystem(Facts(GetParam())), std::wstring(GetParam().description));
}

constexpr BYTE kWorkstation = VER_NT_WORKSTATION;
constexpr BYTE kServer = 3;
constexpr WORD kX86 = PROCESSOR_ARCHITECTURE_INTEL;
constexpr WORD kAmd64 = PROCESSOR_ARCHITECTURE_AMD64;

const SystemCase kSystems[] = {
    {"XpSp3", 5, 1, kWorkstation, 0, kX86, 0, L"Service Pack 3", FALSE,
     L"Operating System: Windows XP Service Pack 3 32bit"},
    {"Windows2000", 5, 0, kWorkstation, 0, kX86, 0, L"Service Pack 4", FALSE,
     L"Operating System: Windows 2000 Service Pack 4 32bit"},
    {"Seven64NoServicePack", 6, 1, kWorkstation, 0, kAmd64, 0, L"", TRUE,
     L"Operating System: Windows 7  64bit"},
    {"Server2008R2", 6, 1, kServer, 0, kAmd64, 0, L"Service Pack 1", TRUE,
     L"Operating System: Windows Server 2008 R2 Service Pack 1 64bit"},
    {"VistaSp2", 6, 0, kWorkstation, 0, kX86, 0, L"Service Pack 2", FALSE,
     L"Operating System: Windows Vista Service Pack 2 32bit"},
    {"Server2008", 6, 0, kServer, 0, kX86, 0, L"Service Pack 2", FALSE,
     L"Operating System: Windows Server 2008 Service Pack 2 32bit"},
    {"XpX64", 5, 2, kWorkstation, 0, kAmd64, 0, L"Service Pack 2", TRUE,
     L"Operating System: Windows XP Professional x64 Edition Service Pack 2 64bit"},
    // A workstation on a 32-bit processor is not the x64 edition; R2 decides next.
    {"Server2003", 5, 2, kWorkstation, 0, kX86, 0, L"", FALSE,
     L"Operating System: Windows Server 2003  32bit"},
    {"Server2003OnAmd64", 5, 2, kServer, 0, kAmd64, 0, L"Service Pack 2", TRUE,
     L"Operating System: Windows Server 2003 Service Pack 2 64bit"},
    {"HomeServer", 5, 2, kServer, VER_SUITE_WH_SERVER, kX86, 1, L"", FALSE,
     L"Operating System: Windows Home Server  32bit"},
    {"HomeServerMaskWithoutR2", 5, 2, kServer, VER_SUITE_WH_SERVER, kX86, 0, L"", FALSE,
     L"Operating System: Windows Server 2003  32bit"},
    {"Server2003R2", 5, 2, kServer, 0, kX86, 1, L"Service Pack 2", FALSE,
     L"Operating System: Windows Server 2003 R2 Service Pack 2 32bit"},
    {"Windows8", 6, 2, kWorkstation, 0, kAmd64, 0, L"", TRUE, L"Operating System:  64bit"},
    {"Windows10", 10, 0, kWorkstation, 0, kX86, 0, L"", FALSE, L"Operating System:  32bit"},
    {"UnknownWithServicePack", 4, 0, kWorkstation, 0, kX86, 0, L"Service Pack 6", FALSE,
     L"Operating System:  32bit"},
};

INSTANTIATE_TEST_SUITE_P(Versions, OperatingSystemDescriptionTest, testing::ValuesIn(kSystems),
                         [](const testing::TestParamInfo<SystemCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(OperatingSystemDescription, ServicePackFillingItsFieldIsNotReadPast) {
  SystemCase xp = kSystems[0];
  OperatingSystemFacts facts = Facts(xp);
  for (wchar_t& unit : facts.version.szCSDVersion) unit = L'x';
  facts.version.wServicePackMajor = 0x4141;  // what follows the field in the record
  const String::_tstringW description = DescribeOperatingSystem(facts);
  EXPECT_EQ(description, L"Operating System: Windows XP " + std::wstring(128, L'x') + L" 32bit");
}

TEST(OperatingSystemDescription, TheRunningSystemIsDescribed) {
  const String::_tstringW description = GetOperatingSystemDescription();
  EXPECT_EQ(description.rfind(L"Operating System: ", 0), 0u);
  const std::wstring tail = description.substr(description.size() - 6);
  EXPECT_TRUE(tail == L" 32bit" || tail == L" 64bit") << description.ToUtf8();
}

}  // namespace
