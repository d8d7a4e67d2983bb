// Shared set-up of the network tests: the servers every test talks to, started
// once for the binary, emptied before each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/debug_capture.h"
#include "web/server_process.h"
#include "web/web_service.h"

namespace qiv::testing {

// Indexes into Servers(), in start order.
enum Server : size_t {
  kSite = 0,    // https, trusted, the build's site host www.vantor.localhost:47443
  kQaSite = 1,  // https, untrusted, www-qa.vantor.localhost:47445
  kPlain = 2,   // http on a free port
};

ServerProcess& Servers();

inline std::string SiteUrl(const std::string& path) {
  return "https://www.vantor.localhost:47443" + path;
}
inline std::string QaUrl(const std::string& path) {
  return "https://www-qa.vantor.localhost:47445" + path;
}
inline std::string PlainUrl(const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(Servers().Port(kPlain)) + path;
}

inline String::_tstringW Wide(const std::string& ascii) { return String::_tstringW(ascii); }

class NetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (size_t server : {kSite, kQaSite, kPlain}) Servers().Clear(server);
    CWebService::GlobalInit(0);
  }
  void TearDown() override { CWebService::GlobalCleanup(); }

  ServerRecords Records(size_t server) { return Servers().Records(server); }

  CWebService service;
  qiv::platform::DebugCapture capture;
};

}  // namespace qiv::testing
