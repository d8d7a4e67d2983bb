// The capture of debug output that the log-line tests rely on, over the real
// OutputDebugString functions (the system's on Windows).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/debug_capture.h"
#include "platform/win32.h"

namespace {

using qiv::platform::DebugCapture;

TEST(DebugCaptureMessages, EachCallIsOneMessageAsSent) {
  DebugCapture capture;
  OutputDebugStringW(L"Enter into main entry...");
  OutputDebugStringA("curl_global_init,failed: ");
  OutputDebugStringW(L"two\nlines\n");
  OutputDebugStringW(L"caf\u00e9");  // in the ANSI code page, which Windows goes through
  OutputDebugStringW(L"");
  EXPECT_EQ(capture.Messages(),
            (std::vector<std::wstring>{L"Enter into main entry...", L"curl_global_init,failed: ",
                                       L"two\nlines\n", L"caf\u00e9", L""}));
  capture.Clear();
  EXPECT_TRUE(capture.Messages().empty());
  OutputDebugStringA("after clear");
  EXPECT_EQ(capture.Messages(), std::vector<std::wstring>{L"after clear"});
}

TEST(DebugCaptureMessages, OnlyTheLiveCaptureRecords) {
  {
    DebugCapture earlier;
    OutputDebugStringW(L"kept by the first");
    EXPECT_EQ(earlier.Messages().size(), 1u);
  }
  OutputDebugStringW(L"nobody listens");
  DebugCapture later;
  OutputDebugStringW(L"kept by the second");
  EXPECT_EQ(later.Messages(), std::vector<std::wstring>{L"kept by the second"});
}

}  // namespace
