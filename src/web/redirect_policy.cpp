#include "web/redirect_policy.h"

#include <string>

#include "base/strings/tstring.h"
#include "web/curl_handle.h"
#include "web/endpoints.h"

namespace web {

namespace {

struct Origin {
  std::string scheme;
  std::string host;
  std::string port;
};

bool ParseOrigin(const std::string& absoluteUrl, Origin& origin) {
  CurlUrl url;
  if (url.get() == nullptr ||
      curl_url_set(url.get(), CURLUPART_URL, absoluteUrl.c_str(), 0) != CURLUE_OK) {
    return false;
  }
  origin.scheme = url.Part(CURLUPART_SCHEME, 0);
  origin.host = url.Part(CURLUPART_HOST, 0);
  origin.port = url.Part(CURLUPART_PORT, CURLU_DEFAULT_PORT);
  return !origin.scheme.empty() && !origin.host.empty() && !origin.port.empty();
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

bool IsSameSite(const std::string& location, const std::wstring& siteHost) {
  if (siteHost.empty()) return false;
  std::string siteUtf8;
  String::WideToUtf8(siteHost.c_str(), siteUtf8);
  Origin site;
  Origin target;
  if (!ParseOrigin("https://" + siteUtf8 + "/", site) || !ParseOrigin(location, target)) {
    return false;
  }
  return EqualNoCase(target.scheme, "https") && EqualNoCase(target.host, site.host) &&
         target.port == site.port;
}

bool IsSiteRedirect(const std::string& location) {
  return IsSameSite(location, endpoints::SiteHostName());
}

}  // namespace web
