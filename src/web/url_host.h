// Where a request URL connects to, as libcurl reads it.
#pragma once

#include <string>

namespace web {

struct UrlOrigin {
  std::string scheme;       // lower case
  std::string host;         // as written; no user name, no port
  unsigned port = 0;        // the scheme's default where the URL names none
  bool defaultPort = true;  // the port is the scheme's own, named or not
};

// How a URL is read: as a request URL (CURLOPT_URL's way: a missing scheme is
// guessed, any scheme is taken), or as a redirect's absolute URL, which must name a
// scheme libcurl supports.
enum class UrlReading { kRequest, kAbsolute };

// `url` parsed as `reading` says. False (and an empty origin) when libcurl
// refuses the URL.
bool ParseUrlOrigin(const std::string& url, UrlOrigin& origin,
                    UrlReading reading = UrlReading::kRequest);

// The host part of `url`, or empty.
std::string UrlHost(const std::string& url);

}  // namespace web
