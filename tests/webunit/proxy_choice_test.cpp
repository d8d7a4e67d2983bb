#include "web/proxy_choice.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using web::ChooseProxy;
using web::RequestTarget;

TEST(ProxyChoiceTest, SystemListsBecomeTheRequestsProxyAndBypass) {
  const RequestTarget site{"https", "www.vantor.example", 443};
  const RequestTarget tracker{"http", "tracking.orvandel.example", 80};
  const RequestTarget intranet{"http", "tracker", 8080};
  const struct {
    const char* name;
    std::wstring proxy;
    std::wstring bypass;
    RequestTarget target;
    std::string expectedProxy;
    std::string expectedNoProxy;
  } cases[] = {
      {"no proxy", L"", L"*", site, "", ""},
      {"one proxy for all", L"proxy.corp:3128", L"", site, "http://proxy.corp:3128", ""},
      {"scheme given", L"https://proxy.corp:3129", L"", site, "https://proxy.corp:3129", ""},
      {"per scheme, https", L"http=p1:81;https=p2:82", L"", site, "http://p2:82", ""},
      {"per scheme, http", L"HTTP=p1:81 https=p2:82", L"", tracker, "http://p1:81", ""},
      {"scheme entry wins over generic", L"p0:80;https=p2:82", L"", site, "http://p2:82", ""},
      {"generic where the scheme has none", L"ftp=p3:21;p0:80", L"", site, "http://p0:80", ""},
      {"no entry for the scheme", L"http=p1:81", L"", site, "", ""},
      {"socks as last resort", L"socks=s:1080", L"", tracker, "socks4://s:1080", ""},
      {"blanks and empty entries", L" ;; http=p1:81 ;\t", L"", tracker, "http://p1:81", ""},
      {"exact host bypassed", L"p:1", L"other;WWW.vantor.example", site, "http://p:1",
       "www.vantor.example"},
      {"wildcard bypassed", L"p:1", L"*.vantor.example", site, "http://p:1", "www.vantor.example"},
      {"wildcard not matching the bare domain", L"p:1", L"*.vantor.example",
       RequestTarget{"https", "vantor.example", 443}, "http://p:1", ""},
      {"question mark", L"p:1", L"www?vantor.example", site, "http://p:1", "www.vantor.example"},
      {"suffix alone is no match", L"p:1", L"vantor.example", site, "http://p:1", ""},
      {"<local> takes a name without a dot", L"p:1", L"<local>", intranet, "http://p:1", "tracker"},
      {"<local> leaves dotted names", L"p:1", L"<local>", site, "http://p:1", ""},
      {"port must match", L"p:1", L"www.vantor.example:8443", site, "http://p:1", ""},
      {"port matching", L"p:1", L"www.vantor.example:443", site, "http://p:1",
       "www.vantor.example"},
      {"scheme must match", L"p:1", L"http://www.vantor.example", site, "http://p:1", ""},
      {"scheme matching", L"p:1", L"https://*.example", site, "http://p:1", "www.vantor.example"},
      {"address pattern", L"p:1", L"127.*", RequestTarget{"http", "127.0.0.1", 80}, "http://p:1",
       "127.0.0.1"},
  };
  for (const auto& c : cases) {
    const web::ProxyChoice choice = ChooseProxy(c.proxy, c.bypass, c.target);
    EXPECT_EQ(choice.proxy, c.expectedProxy) << c.name;
    EXPECT_EQ(choice.noProxy, c.expectedNoProxy) << c.name;
  }
}

}  // namespace
