// Sleep with real pauses, shortened by QIV_SLEEP_SCALE (a non-negative decimal
// factor, e.g. 0.01) for end-to-end runs, or observed instead by unit tests.
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

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
  const char* text = std::getenv("QIV_SLEEP_SCALE");
  if (text == nullptr) return 1.0;
  double scale = 1.0;
  const char* end = text + std::strlen(text);
  const auto [stop, error] = std::from_chars(text, end, scale, std::chars_format::fixed);
  if (error != std::errc() || stop != end || !std::isfinite(scale) || scale < 0) return 1.0;
  return scale;
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
