// How the system's proxy lists (WinHTTP's forms) become libcurl's options for
// one request. Pure text work, so both builds test it.
#pragma once

#include <string>
#include <string_view>

namespace web {

// The request as the lists see it: scheme and host in lower case, port as a number.
struct RequestTarget {
  std::string scheme;
  std::string host;
  unsigned port = 0;
};

// CURLOPT_PROXY and CURLOPT_NOPROXY values; an empty proxy sets neither.
struct ProxyChoice {
  std::string proxy;
  std::string noProxy;
};

// `proxyList`: "host:port", or entries per scheme ("http=h:p;https=h:p", separated
// by ';' or blanks); an entry for the request's scheme wins over one without a
// scheme, a "socks=" entry serves only where neither exists. `bypassList`: hosts
// separated by ';' or blanks, each optionally "scheme://host:port", with '*' and
// '?' wildcards; "<local>" stands for every host name without a dot. A request to
// a bypassed host gets its host as the no-proxy list, so it goes direct.
ProxyChoice ChooseProxy(std::wstring_view proxyList, std::wstring_view bypassList,
                        const RequestTarget& target);

}  // namespace web
