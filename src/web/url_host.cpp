#include "web/url_host.h"

#include "web/curl_handle.h"

namespace web {

std::string UrlHost(const std::string& url) {
  CurlUrl parsed;
  // The flags CURLOPT_URL itself parses with, so the host is the one connected to.
  if (parsed.get() == nullptr ||
      curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(),
                   CURLU_GUESS_SCHEME | CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
    return {};
  }
  char* host = nullptr;
  if (curl_url_get(parsed.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK || host == nullptr) {
    return {};
  }
  std::string value(host);
  curl_free(host);
  return value;
}

}  // namespace web
