// Fixed facts about "the machine", as a 32-bit process on 64-bit Windows 7 SP1
// would see them, so the operating-system description is the same on every host:
//   GetVersionExW     6.1.7601, "Service Pack 1" (SP 1.0), workstation, suite mask
//                     0x0100. QIV_OS_VERSION replaces them with
//                     "major.minor.build[.productType[.suiteMaskHex]][:text]", e.g.
//                     "5.1.2600.1:Service Pack 3" or "6.2.9200"; product type
//                     defaults to 1 (workstation), suite mask to 0, the text to
//                     empty; the SP number comes from a text "Service Pack N".
//                     An unreadable setting is ignored.
//   GetSystemInfo     the x86 view of a WOW64 process (PROCESSOR_ARCHITECTURE_INTEL).
//   IsWow64Process    TRUE (64-bit Windows) for the current process; QIV_WOW64=0
//                     makes it FALSE.
//   GetSystemMetrics  0 for every index (so SM_SERVERR2 is 0).
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/win32.h"

namespace {

constexpr DWORD kPlatformWin32Nt = 2;  // VER_PLATFORM_WIN32_NT
constexpr WORD kSuiteSingleUserTerminalServer = 0x0100;
constexpr DWORD kProcessorIntelPentium = 586;

struct VersionFacts {
  DWORD major = 6;
  DWORD minor = 1;
  DWORD build = 7601;
  BYTE productType = VER_NT_WORKSTATION;
  WORD suiteMask = kSuiteSingleUserTerminalServer;
  std::string servicePack = "Service Pack 1";
};

bool ParseNumber(std::string_view& text, unsigned& number, int base = 10) {
  const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), number, base);
  if (error != std::errc()) return false;
  text.remove_prefix(static_cast<size_t>(stop - text.data()));
  return true;
}

bool ConsumeDot(std::string_view& text) {
  if (text.empty() || text.front() != '.') return false;
  text.remove_prefix(1);
  return true;
}

// An unreadable setting leaves the fixed facts in place.
VersionFacts ReadVersionFacts() {
  VersionFacts facts;
  const char* setting = std::getenv("QIV_OS_VERSION");
  if (setting == nullptr || *setting == '\0') return facts;
  std::string_view text(setting);
  const size_t colon = text.find(':');
  std::string_view numbers = text.substr(0, colon);
  VersionFacts parsed;
  unsigned major = 0, minor = 0, build = 0, productType = VER_NT_WORKSTATION, suiteMask = 0;
  if (!ParseNumber(numbers, major) || !ConsumeDot(numbers) || !ParseNumber(numbers, minor) ||
      !ConsumeDot(numbers) || !ParseNumber(numbers, build)) {
    return facts;
  }
  if (ConsumeDot(numbers)) {
    if (!ParseNumber(numbers, productType) || productType > 0xFF) return facts;
    if (ConsumeDot(numbers) && (!ParseNumber(numbers, suiteMask, 16) || suiteMask > 0xFFFF)) {
      return facts;
    }
  }
  if (!numbers.empty()) return facts;
  parsed.major = major;
  parsed.minor = minor;
  parsed.build = build;
  parsed.productType = static_cast<BYTE>(productType);
  parsed.suiteMask = static_cast<WORD>(suiteMask);
  parsed.servicePack = colon == std::string_view::npos ? "" : std::string(text.substr(colon + 1));
  return parsed;
}

WORD ServicePackMajor(const std::string& text) {
  static constexpr std::string_view kPrefix = "Service Pack ";
  if (text.rfind(kPrefix, 0) != 0) return 0;
  std::string_view number = std::string_view(text).substr(kPrefix.size());
  unsigned value = 0;
  if (!ParseNumber(number, value) || !number.empty() || value > 0xFFFF) return 0;
  return static_cast<WORD>(value);
}

HANDLE CurrentProcessPseudoHandle() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }

}  // namespace

BOOL GetVersionExW(LPOSVERSIONINFOW versionInfo) {
  if (versionInfo == nullptr) return FALSE;
  const DWORD size = versionInfo->dwOSVersionInfoSize;
  if (size != sizeof(OSVERSIONINFOW) && size != sizeof(OSVERSIONINFOEXW)) return FALSE;

  const VersionFacts facts = ReadVersionFacts();
  versionInfo->dwMajorVersion = facts.major;
  versionInfo->dwMinorVersion = facts.minor;
  versionInfo->dwBuildNumber = facts.build;
  versionInfo->dwPlatformId = kPlatformWin32Nt;
  std::memset(versionInfo->szCSDVersion, 0, sizeof versionInfo->szCSDVersion);
  // The service-pack text is ASCII; it is cut to fit the 128-unit field.
  for (size_t i = 0; i < facts.servicePack.size() && i < 127; ++i) {
    versionInfo->szCSDVersion[i] = static_cast<unsigned char>(facts.servicePack[i]);
  }
  if (size == sizeof(OSVERSIONINFOEXW)) {
    auto* extended = reinterpret_cast<OSVERSIONINFOEXW*>(versionInfo);
    extended->wServicePackMajor = ServicePackMajor(facts.servicePack);
    extended->wServicePackMinor = 0;
    extended->wSuiteMask = facts.suiteMask;
    extended->wProductType = facts.productType;
    extended->wReserved = 0;
  }
  return TRUE;
}

void GetSystemInfo(LPSYSTEM_INFO systemInfo) {
  if (systemInfo == nullptr) return;
  long online = sysconf(_SC_NPROCESSORS_ONLN);
  if (online < 1) online = 1;
  if (online > 32) online = 32;  // a 32-bit process sees at most 32
  *systemInfo = SYSTEM_INFO{};
  systemInfo->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
  systemInfo->dwPageSize = 4096;
  systemInfo->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(0x00010000);
  systemInfo->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(0x7FFEFFFF);
  systemInfo->dwActiveProcessorMask = online == 32 ? 0xFFFFFFFFu : ((DWORD_PTR{1} << online) - 1);
  systemInfo->dwNumberOfProcessors = static_cast<DWORD>(online);
  systemInfo->dwProcessorType = kProcessorIntelPentium;
  systemInfo->dwAllocationGranularity = 65536;
  systemInfo->wProcessorLevel = 6;
  systemInfo->wProcessorRevision = 0;
}

HANDLE GetCurrentProcess() { return CurrentProcessPseudoHandle(); }

BOOL IsWow64Process(HANDLE process, PBOOL wow64Process) {
  if (process != CurrentProcessPseudoHandle() || wow64Process == nullptr) return FALSE;
  const char* setting = std::getenv("QIV_WOW64");
  *wow64Process = (setting != nullptr && std::strcmp(setting, "0") == 0) ? FALSE : TRUE;
  return TRUE;
}

int GetSystemMetrics(int) { return 0; }
