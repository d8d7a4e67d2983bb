#ifndef _WIN32

#include "platform/transfer_time.h"

#include <gtest/gtest.h>

#include "platform/posix/scratch.h"

namespace {

using qiv::platform::TransferTimeoutMilliseconds;
using qiv::testing::ScopedEnv;

TEST(TransferTime, TheProgramsOwnValuesUnlessTestsShortenThem) {
  const struct {
    const char* scale;
    unsigned seconds;
    long milliseconds;
  } cases[] = {
      {nullptr, 120, 120000}, {nullptr, 0, 0},    {"0.01", 120, 1200}, {"0.01", 60, 600},
      {"0.00001", 1, 1},      {"1", 60, 60000},   {"0", 60, 60000},    {"-1", 60, 60000},
      {"2", 60, 60000},       {"abc", 60, 60000}, {"0.5x", 60, 60000}, {"", 60, 60000},
  };
  for (const auto& c : cases) {
    ScopedEnv scale("QIV_HTTP_TIMEOUT_SCALE", c.scale);
    EXPECT_EQ(TransferTimeoutMilliseconds(c.seconds), c.milliseconds)
        << (c.scale ? c.scale : "unset") << " " << c.seconds;
  }
}

}  // namespace

#endif  // _WIN32
