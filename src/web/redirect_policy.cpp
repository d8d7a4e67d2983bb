#include "web/redirect_policy.h"

#include <string>

#include "base/strings/case_rules.h"
#include "platform/tstring.h"
#include "web/endpoints.h"
#include "web/url_host.h"

namespace web {

bool IsSameSite(const std::string& location, const std::wstring& siteHost) {
  if (siteHost.empty()) return false;
  std::string siteUtf8;
  String::WideToUtf8(siteHost.c_str(), siteUtf8);
  UrlOrigin site;
  UrlOrigin target;
  if (!ParseUrlOrigin("https://" + siteUtf8 + "/", site, UrlReading::kAbsolute) ||
      !ParseUrlOrigin(location, target, UrlReading::kAbsolute)) {
    return false;
  }
  return target.scheme == "https" && String::EqualsKeyword(target.host, site.host) &&
         target.port == site.port;
}

bool IsSiteRedirect(const std::string& location) {
  return IsSameSite(location, endpoints::SiteHostName());
}

CURLcode SiteRedirect(CURL* curl, std::string& target) {
  long status = 0;
  CURLcode code = curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  if (code != CURLE_OK || status / 100 != 3) return code;
  char* location = nullptr;
  code = curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location);
  if (code == CURLE_OK && location != nullptr && IsSiteRedirect(location)) target = location;
  return code;
}

}  // namespace web
