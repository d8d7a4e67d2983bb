#include "web/url_host.h"

#include <cstdlib>

#include "web/curl_handle.h"

namespace web {

namespace {

std::string Part(const CurlUrl& url, CURLUPart part, unsigned flags) {
  char* text = nullptr;
  if (curl_url_get(url.get(), part, &text, flags) != CURLUE_OK || text == nullptr) return {};
  std::string value(text);
  curl_free(text);
  return value;
}

}  // namespace

bool ParseUrlOrigin(const std::string& url, UrlOrigin& origin) {
  origin = UrlOrigin();
  CurlUrl parsed;
  // The flags CURLOPT_URL itself parses with, so the host is the one connected to.
  if (parsed.get() == nullptr ||
      curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(),
                   CURLU_GUESS_SCHEME | CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
    return false;
  }
  origin.scheme = Part(parsed, CURLUPART_SCHEME, 0);
  for (char& c : origin.scheme) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  origin.host = Part(parsed, CURLUPART_HOST, 0);
  const std::string port = Part(parsed, CURLUPART_PORT, CURLU_DEFAULT_PORT);
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
