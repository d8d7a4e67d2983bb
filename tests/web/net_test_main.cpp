#include <signal.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include "web/net_fixture.h"

namespace qiv::testing {

ServerProcess& Servers() {
  static ServerProcess servers;
  return servers;
}

}  // namespace qiv::testing

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  signal(SIGPIPE, SIG_IGN);
  setenv("QIV_ACP", "CP1252", 0);
  using qiv::testing::Servers;
  if (!Servers().Start({"https:47443:trusted", "https:47445:untrusted", "http:0"})) {
    fprintf(stderr, "the recording servers did not start (ports 47443/47445 busy?)\n");
    return 1;
  }
  const int result = RUN_ALL_TESTS();
  Servers().Stop();
  return result;
}
