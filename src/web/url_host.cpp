#include "web/url_host.h"

#include <cstdlib>

#include "web/curl_handle.h"

namespace web {

bool ParseUrlOrigin(const std::string& url, UrlOrigin& origin) {
  origin = UrlOrigin();
  CurlUrl parsed;
  // The flags CURLOPT_URL itself parses with, so the host is the one connected to.
  if (parsed.get() == nullptr ||
      curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(),
                   CURLU_GUESS_SCHEME | CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
    return false;
  }
  origin.scheme = parsed.Part(CURLUPART_SCHEME, 0);
  for (char& c : origin.scheme) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  origin.host = parsed.Part(CURLUPART_HOST, 0);
  const std::string port = parsed.Part(CURLUPART_PORT, CURLU_DEFAULT_PORT);
  origin.port = static_cast<unsigned>(std::strtoul(port.c_str(), nullptr, 10));
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
