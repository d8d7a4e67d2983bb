#include <gtest/gtest.h>

#include "platform/debug_capture.h"
#include "web/web_service.h"

namespace {

// Every test leaves the library released, as the driver does at the end of a run.
class WebLifetime : public ::testing::Test {
 protected:
  void TearDown() override { CWebService::GlobalCleanup(); }
};

}  // namespace

TEST_F(WebLifetime, RequestsWaitForInitialisationAndStopAfterCleanup) {
  EXPECT_FALSE(CWebService::RequestsAllowed());
  EXPECT_TRUE(CWebService::GlobalInit(0));
  EXPECT_TRUE(CWebService::RequestsAllowed());
  EXPECT_TRUE(CWebService::GlobalCleanup());
  EXPECT_FALSE(CWebService::RequestsAllowed());
  // Cleanup without initialisation is harmless.
  EXPECT_TRUE(CWebService::GlobalCleanup());
}

TEST_F(WebLifetime, DisableFlagIsReplacedByEveryInit) {
  qiv::platform::DebugCapture capture;
  EXPECT_TRUE(CWebService::GlobalInit(1));
  EXPECT_FALSE(CWebService::RequestsAllowed());
  EXPECT_TRUE(CWebService::GlobalInit(0));
  EXPECT_TRUE(CWebService::RequestsAllowed());
  EXPECT_TRUE(CWebService::GlobalInit(7));
  EXPECT_FALSE(CWebService::RequestsAllowed());
  EXPECT_TRUE(capture.Messages().empty());
}

TEST_F(WebLifetime, SecondInitDoesNotReinitialise) {
  EXPECT_TRUE(CWebService::GlobalInit(0));
  EXPECT_TRUE(CWebService::GlobalInit(0));
  // One cleanup undoes it: the library was initialised once.
  CWebService::GlobalCleanup();
  EXPECT_FALSE(CWebService::RequestsAllowed());
}
