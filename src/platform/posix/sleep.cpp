// Sleep with real pauses, shortened by QIV_SLEEP_SCALE (a non-negative decimal
// factor, e.g. 0.01) for end-to-end runs, or observed instead by unit tests.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <optional>

#include "platform/posix/scale_setting.h"
#include "platform/posix/sleep_hooks.h"
#include "platform/win32.h"

namespace {

std::mutex observerMutex;
std::function<void(DWORD)>& Observer() {
  static std::function<void(DWORD)> observer;
  return observer;
}

// An unset or unreadable setting means real time.
double SleepScale() {
  const std::optional<double> scale = qiv::posix::ReadScaleSetting("QIV_SLEEP_SCALE");
  return scale && *scale >= 0 ? *scale : 1.0;
}

}  // namespace

namespace qiv::posix {

void SetSleepObserver(std::function<void(DWORD)> observer) {
  std::lock_guard<std::mutex> lock(observerMutex);
  Observer() = std::move(observer);
}

}  // namespace qiv::posix

void Sleep(DWORD milliseconds) {
  {
    std::function<void(DWORD)> observer;
    {
      std::lock_guard<std::mutex> lock(observerMutex);
      observer = Observer();
    }
    if (observer) {
      observer(milliseconds);
      return;
    }
  }
  const double nanoseconds = static_cast<double>(milliseconds) * SleepScale() * 1e6;
  timespec remaining;
  remaining.tv_sec = static_cast<time_t>(nanoseconds / 1e9);
  remaining.tv_nsec = static_cast<long>(std::fmod(nanoseconds, 1e9));
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}
