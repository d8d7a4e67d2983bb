#ifndef _WIN32

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <vector>

#include "platform/posix/local_time_hooks.h"
#include "platform/posix/sleep_hooks.h"
#include "platform/win32.h"
#include "scratch.h"

namespace {

using qiv::testing::ScopedEnv;

TEST(LocalTime, FollowsTheLocalClockOrTheOverride) {
  SYSTEMTIME now{};
  time_t before = 0;
  time_t after = 0;
  {
    ScopedEnv zone("TZ", "UTC-3");  // three hours east of UTC
    tzset();
    before = time(nullptr);
    GetLocalTime(&now);
    after = time(nullptr);
  }
  tzset();
  tm fields{};
  fields.tm_year = now.wYear - 1900;
  fields.tm_mon = now.wMonth - 1;
  fields.tm_mday = now.wDay;
  fields.tm_hour = now.wHour;
  fields.tm_min = now.wMinute;
  fields.tm_sec = now.wSecond;
  const time_t reported = timegm(&fields) - 3 * 3600;
  EXPECT_GE(reported, before);
  EXPECT_LE(reported, after);
  EXPECT_EQ(now.wDayOfWeek, fields.tm_wday);  // timegm normalised the weekday
  EXPECT_LT(now.wMilliseconds, 1000);

  const SYSTEMTIME fixed{2024, 12, 2, 31, 23, 59, 59, 0};
  qiv::posix::SetLocalTimeOverride(fixed);
  GetLocalTime(&now);
  EXPECT_EQ(now.wYear, 2024);
  EXPECT_EQ(now.wSecond, 59);
  EXPECT_EQ(now.wMilliseconds, 0);
  qiv::posix::SetLocalTimeOverride(std::nullopt);
  GetLocalTime(&now);
  EXPECT_GE(now.wYear, 2024);
}

double MillisecondsTaken(DWORD requested) {
  const auto start = std::chrono::steady_clock::now();
  Sleep(requested);
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

TEST(SleepTest, ObserverSeesEachPauseInsteadOfWaiting) {
  std::vector<DWORD> seen;
  qiv::posix::SetSleepObserver([&](DWORD milliseconds) { seen.push_back(milliseconds); });
  EXPECT_LT(MillisecondsTaken(60000), 1000.0);
  Sleep(1000);
  qiv::posix::SetSleepObserver(nullptr);
  EXPECT_EQ(seen, (std::vector<DWORD>{60000, 1000}));
}

TEST(SleepTest, ScaleShortensRealPauses) {
  {
    ScopedEnv scale("QIV_SLEEP_SCALE", "0");
    EXPECT_LT(MillisecondsTaken(60000), 1000.0);
  }
  {
    ScopedEnv scale("QIV_SLEEP_SCALE", "0.02");
    const double taken = MillisecondsTaken(1000);
    EXPECT_GE(taken, 19.0);
    EXPECT_LT(taken, 500.0);
  }
  ScopedEnv unreadable("QIV_SLEEP_SCALE", "-1");  // ignored: real time
  EXPECT_GE(MillisecondsTaken(30), 29.0);
}

}  // namespace

#endif  // _WIN32
