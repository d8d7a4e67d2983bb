// Where a request URL connects to, as libcurl reads it.
#pragma once

#include <string>

namespace web {

struct UrlOrigin {
  std::string scheme;  // lower case
  std::string host;    // as written; no user name, no port
  unsigned port = 0;   // the scheme's default where the URL names none
};

// `url` parsed the way CURLOPT_URL parses it, scheme guessed where absent. False
// (and an empty origin) when libcurl would refuse the URL.
bool ParseUrlOrigin(const std::string& url, UrlOrigin& origin);

// The host part of `url`, or empty.
std::string UrlHost(const std::string& url);

}  // namespace web
