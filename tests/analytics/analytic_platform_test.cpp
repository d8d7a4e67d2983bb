// The record's platform inputs on the POSIX stand-in: the machine id from the
// registry file and the local clock.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <string>

#include "analytics/analytic.h"
#include "platform/posix/local_time_hooks.h"
#include "platform/posix/registry_store.h"
#include "platform/posix/scratch.h"

namespace {

using qiv::testing::ScopedEnv;
using qiv::testing::ScratchDir;
using qiv::testing::WriteFile;

// A registry file holding `value` as MachineGuid, loaded for the test's duration.
class MachineGuidRegistry {
 public:
  explicit MachineGuidRegistry(const std::string& value) {
    WriteFile(file_,
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Cryptography]\r\n"
              "\"MachineGuid\"=\"" +
                  value + "\"\r\n");
    qiv::posix::ReloadRegistry();
  }
  ~MachineGuidRegistry() {
    env_.reset();
    qiv::posix::ReloadRegistry();
  }

 private:
  ScratchDir dir_;
  std::string file_ = dir_.File("machine.reg");
  std::unique_ptr<ScopedEnv> env_ = std::make_unique<ScopedEnv>("QIV_REGISTRY_FILE", file_.c_str());
};

TEST(AnalyticDeviceId, ReadsMachineGuidUpToTheQueryLimit) {
  // 127 characters and the terminator fill the 256-byte query exactly; one more fails.
  const struct {
    std::string stored;
    std::string deviceId;
  } cases[] = {
      {"0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0", "0f1e2d3c-4b5a-6978-8796-a5b4c3d2e1f0"},
      {std::string(127, 'g'), std::string(127, 'g')},
      {std::string(128, 'g'), ""},
  };
  for (const auto& c : cases) {
    MachineGuidRegistry registry(c.stored);
    CAnalytic record;
    EXPECT_EQ(record.Attribute(AnalyticAttr::DeviceId), c.deviceId) << c.stored.size();
  }
}

TEST(AnalyticDeviceId, MissingKeyLeavesItEmpty) {
  ScopedEnv unset("QIV_REGISTRY_FILE", nullptr);
  qiv::posix::ReloadRegistry();
  CAnalytic record;
  EXPECT_FALSE(record.LoadDeviceId());
  EXPECT_EQ(record.Attribute(AnalyticAttr::DeviceId), "");
}

TEST(AnalyticTimestamp, TakesTheLocalClock) {
  qiv::posix::SetLocalTimeOverride(SYSTEMTIME{2024, 12, 2, 31, 23, 59, 59, 0});
  const std::string timestamp = CAnalytic().MakeTimestamp();
  qiv::posix::SetLocalTimeOverride(std::nullopt);
  EXPECT_EQ(timestamp, "2024-12-31T23:59:59.0Z");
}

}  // namespace

#endif  // _WIN32
