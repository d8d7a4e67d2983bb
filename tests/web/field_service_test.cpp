// GET and POST requests on the wire: gate, encoding, TLS rule, failures, time-outs.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <curl/curl.h>
#include <chrono>

#include "web/net_fixture.h"

namespace qiv::testing {
namespace {

using std::chrono::steady_clock;

std::wstring FieldFailure(CURLcode code, const std::string& url) {
  return L"CWebService::FieldService, curl error: " + std::wstring(Wide(curl_easy_strerror(code))) +
         L" URL=" + std::wstring(Wide(url)) + L"\n";
}

double SecondsSince(steady_clock::time_point start) {
  return std::chrono::duration<double>(steady_clock::now() - start).count();
}

class FieldServiceTest : public NetTest {};

TEST_F(FieldServiceTest, GateRefusesEveryRequestUntilInitialisedAndEnabled) {
  FormFields fields;
  fields[L"a"].value = L"1";
  auto sendAll = [&] {
    ServiceResponse response;
    int accepted = 0;
    accepted += service.GetService(Wide(SiteUrl("/g")), L"", L"", &response, 5, 5);
    accepted += service.PostService(Wide(SiteUrl("/p")), L"", L"x", &response, 5, 5);
    accepted += service.SimpleGetService(Wide(SiteUrl("/s")), L"", L"", &response);
    accepted += service.PostFormService(Wide(SiteUrl("/f")), L"", &fields, 5, 5);
    return accepted;
  };
  CWebService::GlobalCleanup();
  EXPECT_EQ(sendAll(), 0) << "before GlobalInit";
  CWebService::GlobalInit(1);
  EXPECT_EQ(sendAll(), 0) << "requests disabled";
  CWebService::GlobalInit(0);
  CWebService::GlobalCleanup();
  EXPECT_EQ(sendAll(), 0) << "after GlobalCleanup";
  EXPECT_EQ(Records(kSite).connections, 0);
  EXPECT_TRUE(capture.Messages().empty());

  CWebService::GlobalInit(0);
  EXPECT_EQ(sendAll(), 4) << "enabled";
  EXPECT_EQ(Records(kSite).requests.size(), 4u);
}

TEST_F(FieldServiceTest, GetCollectsBodyAndSendsCookie) {
  Servers().Reply(kSite, "/page", 200, std::string("bytes\0\xff", 7));
  ServiceResponse response;
  std::string headers;
  response.headers = &headers;
  ASSERT_TRUE(service.GetService(Wide(SiteUrl("/page")), L"sid=7; lang=en", L"", &response, 5, 5));
  EXPECT_EQ(response.body, std::string("bytes\0\xff", 7));
  EXPECT_EQ(headers.rfind("HTTP/1.1 200", 0), 0u) << headers;
  const ServerRecords records = Records(kSite);
  ASSERT_EQ(records.requests.size(), 1u);
  EXPECT_EQ(records.requests[0].method, "GET");
  EXPECT_EQ(records.requests[0].host, "www.vantor.localhost:47443");
  EXPECT_TRUE(capture.Messages().empty());
}

TEST_F(FieldServiceTest, UrlAndGetDataArePercentEncodedOnTheWire) {
  // The ANSI code page is CP1252 here, so U+00E9 is the byte 0xE9.
  struct Case {
    std::wstring path;
    std::wstring data;
    std::string target;
  } cases[] = {
      {L"/enc/a b\n\"%\u00e9", L"", "/enc/a%20b%0a%22%25%e9"},
      {L"/q?x=", L"a b", "/q?x=a%20b"},  // appended as is: no separator added
      {L"/q", L"?k=v&w=1;2", "/q?k=v&w=1;2"},
      {L"/keep.-_=&/?:;+$,@", L"", "/keep.-_=&/?:;+$,@"},
      {L"/esc#~<>", L"", "/esc%23%7e%3c%3e"},
  };
  for (const Case& c : cases) {
    Servers().Clear(kSite);
    ServiceResponse response;
    const std::wstring url = L"https://www.vantor.localhost:47443" + c.path;
    ASSERT_TRUE(service.GetService(url, L"", c.data, &response, 5, 5));
    const ServerRecords records = Records(kSite);
    ASSERT_EQ(records.requests.size(), 1u);
    EXPECT_EQ(records.requests[0].target, c.target);
  }
}

TEST_F(FieldServiceTest, PostSendsDataAsUtf8Body) {
  Servers().Reply(kSite, "/api", 200, "<ok/>");
  ServiceResponse response;
  ASSERT_TRUE(service.PostService(Wide(SiteUrl("/api")), L"", L"refer_id=x&name=\u00e9 \u20ac",
                                  &response, 5, 5));
  EXPECT_EQ(response.body, "<ok/>");
  const ServerRecords records = Records(kSite);
  ASSERT_EQ(records.requests.size(), 1u);
  EXPECT_EQ(records.requests[0].method, "POST");
  EXPECT_EQ(records.requests[0].target, "/api");
  EXPECT_EQ(records.requests[0].body, "refer_id=x&name=\xc3\xa9 \xe2\x82\xac");
}

TEST_F(FieldServiceTest, ErrorStatusStillCompletesWithItsPage) {
  Servers().Reply(kSite, "/broken", 500, "server error page");
  ServiceResponse response;
  EXPECT_TRUE(service.GetService(Wide(SiteUrl("/broken")), L"", L"", &response, 5, 5));
  EXPECT_EQ(response.body, "server error page");
  EXPECT_TRUE(capture.Messages().empty());
}

TEST_F(FieldServiceTest, QaHostSkipsCertificateChecks) {
  Servers().Reply(kQaSite, "/qa", 200, "qa body");
  ServiceResponse response;
  EXPECT_TRUE(service.GetService(Wide(QaUrl("/qa")), L"", L"", &response, 5, 5));
  EXPECT_EQ(response.body, "qa body");
}

TEST_F(FieldServiceTest, UntrustedCertificateOnOtherHostFailsWithLogLine) {
  // The same untrusted server, reached under a name that is not a QA host, with a
  // QA suffix only in the data (an event's game abbreviation, say).
  for (const std::string url : {
           "https://localhost:47445/secret",
           "https://localhost:47445/quarn/?data={\"installer_game\":\"x-qa.vantor.localhost\"}",
           "https://localhost:47445/www-qa.vantor.localhost/",
           "https://www-qa.vantor.localhost@localhost:47445/",
       }) {
    capture.Clear();
    ServiceResponse response;
    EXPECT_FALSE(service.GetService(Wide(url), L"", L"data", &response, 5, 5)) << url;
    EXPECT_EQ(capture.Messages(),
              std::vector<std::wstring>{FieldFailure(CURLE_PEER_FAILED_VERIFICATION, url)});
  }
  EXPECT_EQ(Records(kQaSite).requests.size(), 0u);
}

TEST_F(FieldServiceTest, EmptyUrlAndRefusedConnectionAreLogged) {
  ServiceResponse response;
  EXPECT_FALSE(service.FieldService(false, L"", L"", L"", &response, 5, 5));
  // A port nobody listens on: the plain server's port once it is closed is not
  // predictable, so use port 1 on loopback, which needs root to bind.
  const std::string refused = "http://127.0.0.1:1/x";
  EXPECT_FALSE(service.GetService(Wide(refused), L"", L"", &response, 5, 5));
  EXPECT_EQ(capture.Messages(),
            (std::vector<std::wstring>{FieldFailure(static_cast<CURLcode>(99), ""),
                                       FieldFailure(CURLE_COULDNT_CONNECT, refused)}));
}

TEST_F(FieldServiceTest, SilentServerEndsWithTimeout) {
  Servers().Reply(kPlain, "/silent", 200, "", "", "hang");
  const std::string url = PlainUrl("/silent");
  ServiceResponse response;
  const auto start = steady_clock::now();
  EXPECT_FALSE(service.GetService(Wide(url), L"", L"", &response, 1, 1));
  EXPECT_LT(SecondsSince(start), 3.0);
  EXPECT_EQ(capture.Messages(),
            std::vector<std::wstring>{FieldFailure(CURLE_OPERATION_TIMEDOUT, url)});
}

// A listener whose accept queue is full and never drained: connection attempts
// stall in the handshake, so only a connection time-out ends them early.
class StalledListener {
 public:
  StalledListener() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(listener_, 0);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    for (int& filler : fillers_) {
      filler = socket(AF_INET, SOCK_STREAM, 0);
      timeval wait{0, 200000};
      setsockopt(filler, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof(wait));
      connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    }
  }
  ~StalledListener() {
    for (int filler : fillers_) close(filler);
    close(listener_);
  }
  int port() const { return port_; }

 private:
  int listener_ = -1;
  int fillers_[3] = {-1, -1, -1};
  int port_ = 0;
};

TEST_F(FieldServiceTest, WrappersForwardTheConnectionTimeout) {
  StalledListener stalled;
  const std::string url = "http://127.0.0.1:" + std::to_string(stalled.port()) + "/";
  ServiceResponse response;
  const auto start = steady_clock::now();
  EXPECT_FALSE(service.GetService(Wide(url), L"", L"", &response, 6, 1));
  EXPECT_LT(SecondsSince(start), 4.0) << "the 1 s connection time-out was not applied";
}

TEST_F(FieldServiceTest, NullResponseSendsAndDropsTheAnswer) {
  Servers().Reply(kSite, "/event", 200, "answer nobody reads");
  ::testing::internal::CaptureStdout();
  EXPECT_TRUE(service.SimpleGetService(Wide(SiteUrl("/event?data=")), L"", L"{\"a\":1}", nullptr));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  const ServerRecords records = Records(kSite);
  ASSERT_EQ(records.requests.size(), 1u);
  EXPECT_EQ(records.requests[0].target, "/event?data=%7b%22a%22:1%7d");
}

}  // namespace
}  // namespace qiv::testing
