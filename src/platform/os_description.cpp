#include "platform/os_description.h"

#include <cstring>

namespace {

const wchar_t* Windows52Name(const OperatingSystemFacts& facts) {
  if (facts.version.wProductType == VER_NT_WORKSTATION &&
      facts.system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64) {
    return L"Windows XP Professional x64 Edition";
  }
  if (facts.serverR2 == 0) return L"Windows Server 2003";
  if ((facts.version.wSuiteMask & VER_SUITE_WH_SERVER) != 0) return L"Windows Home Server";
  return L"Windows Server 2003 R2";
}

// The marketing name of the version, or null for versions the feedback form does
// not name (everything after Windows 7).
const wchar_t* OperatingSystemName(const OperatingSystemFacts& facts) {
  const bool workstation = facts.version.wProductType == VER_NT_WORKSTATION;
  const DWORD major = facts.version.dwMajorVersion;
  const DWORD minor = facts.version.dwMinorVersion;
  if (major == 5 && minor == 1) return L"Windows XP";
  if (major == 5 && minor == 0) return L"Windows 2000";
  if (major == 5 && minor == 2) return Windows52Name(facts);
  if (major == 6 && minor == 1) return workstation ? L"Windows 7" : L"Windows Server 2008 R2";
  if (major == 6 && minor == 0) return workstation ? L"Windows Vista" : L"Windows Server 2008";
  return nullptr;
}

// The service-pack text, never read past the record's own field.
String::_tstringW ServicePack(const OSVERSIONINFOEXW& version) {
  const size_t capacity = sizeof(version.szCSDVersion) / sizeof(version.szCSDVersion[0]);
  size_t length = 0;
  while (length < capacity && version.szCSDVersion[length] != 0) ++length;
  return String::_tstringW(std::wstring(version.szCSDVersion, length));
}

}  // namespace

String::_tstringW DescribeOperatingSystem(const OperatingSystemFacts& facts) {
  String::_tstringW description(L"Operating System: ");
  if (const wchar_t* name = OperatingSystemName(facts)) {
    description += name;
    description += L" ";
    description += ServicePack(facts.version);
  }
  description += facts.isWow64 ? L" 64bit" : L" 32bit";
  return description;
}

String::_tstringW GetOperatingSystemDescription() {
  OperatingSystemFacts facts;
  std::memset(&facts, 0, sizeof(facts));
  facts.version.dwOSVersionInfoSize = sizeof(facts.version);
  GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&facts.version));
  GetSystemInfo(&facts.system);
  // A failed call reports 32bit, the program's own bitness, rather than whatever the
  // flag holds afterwards.
  BOOL wow64 = FALSE;
  facts.isWow64 = IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? TRUE : FALSE;
  facts.serverR2 = GetSystemMetrics(SM_SERVERR2);
  return DescribeOperatingSystem(facts);
}
