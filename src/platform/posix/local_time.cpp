// GetLocalTime from the real clock in the local time zone, or a test's fixed time.
#include <ctime>
#include <mutex>

#include "platform/posix/local_time_hooks.h"
#include "platform/win32.h"

namespace {

std::mutex overrideMutex;
std::optional<SYSTEMTIME> timeOverride;

}  // namespace

namespace qiv::posix {

void SetLocalTimeOverride(std::optional<SYSTEMTIME> time) {
  std::lock_guard<std::mutex> lock(overrideMutex);
  timeOverride = time;
}

}  // namespace qiv::posix

void GetLocalTime(LPSYSTEMTIME systemTime) {
  if (systemTime == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(overrideMutex);
    if (timeOverride) {
      *systemTime = *timeOverride;
      return;
    }
  }
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  systemTime->wYear = static_cast<WORD>(local.tm_year + 1900);
  systemTime->wMonth = static_cast<WORD>(local.tm_mon + 1);
  systemTime->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  systemTime->wDay = static_cast<WORD>(local.tm_mday);
  systemTime->wHour = static_cast<WORD>(local.tm_hour);
  systemTime->wMinute = static_cast<WORD>(local.tm_min);
  // Windows has no leap second; 60 would be an impossible time there.
  systemTime->wSecond = static_cast<WORD>(local.tm_sec > 59 ? 59 : local.tm_sec);
  systemTime->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}
