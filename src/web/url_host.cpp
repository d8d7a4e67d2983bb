#include "web/url_host.h"

#include <cstdlib>

#include "base/strings/case_rules.h"
#include "web/curl_handle.h"

namespace web {

bool ParseUrlOrigin(const std::string& url, UrlOrigin& origin, UrlReading reading) {
  origin = UrlOrigin();
  CurlUrl parsed;
  // For a request, the flags CURLOPT_URL itself parses with, so the host is the one
  // connected to.
  const unsigned flags =
      reading == UrlReading::kRequest ? CURLU_GUESS_SCHEME | CURLU_NON_SUPPORT_SCHEME : 0;
  if (parsed.get() == nullptr ||
      curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), flags) != CURLUE_OK) {
    return false;
  }
  origin.scheme = String::FoldKeyword(parsed.Part(CURLUPART_SCHEME, 0));
  origin.host = parsed.Part(CURLUPART_HOST, 0);
  const std::string port = parsed.Part(CURLUPART_PORT, CURLU_DEFAULT_PORT);
  origin.port = static_cast<unsigned>(std::strtoul(port.c_str(), nullptr, 10));
  origin.defaultPort = parsed.Part(CURLUPART_PORT, CURLU_NO_DEFAULT_PORT).empty();
  if (origin.scheme.empty() || origin.host.empty()) {
    origin = UrlOrigin();
    return false;
  }
  return true;
}

std::string UrlHost(const std::string& url) {
  UrlOrigin origin;
  ParseUrlOrigin(url, origin);
  return origin.host;
}

}  // namespace web
