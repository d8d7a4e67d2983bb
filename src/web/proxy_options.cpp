#include "web/proxy_options.h"

#include <cstdlib>

#include "platform/tstring.h"
#include "web/proxy_choice.h"
#include "web/url_host.h"

namespace web {

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// The variables libcurl consults for a scheme: "<scheme>_proxy", its upper-case
// form except for http (a CGI program's HTTP_PROXY header would land there), and
// all_proxy.
bool EnvironmentNamesProxy(const std::string& scheme) {
  const std::string lower = scheme + "_proxy";
  std::string upper = lower;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return IsSet(lower.c_str()) || (scheme != "http" && IsSet(upper.c_str())) || IsSet("all_proxy") ||
         IsSet("ALL_PROXY");
}

// One spelling per origin: the default port left out, as browsers hand it to a
// configuration script, so a script's patterns for "https://host/*" match whether
// or not the request's URL wrote ":443".
std::string LookupUrl(const RequestTarget& target, bool defaultPort) {
  std::string url = target.scheme;
  url.append("://").append(target.host);
  if (!defaultPort) url.append(":").append(std::to_string(target.port));
  return url.append("/");
}

}  // namespace

void SetProxy(CURL* curl, const std::string& url, SystemProxyLookup lookup) {
  UrlOrigin origin;
  if (!ParseUrlOrigin(url, origin) || EnvironmentNamesProxy(origin.scheme)) return;
  RequestTarget target{origin.scheme, origin.host, origin.port};
  for (char& c : target.host) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  qiv::platform::ProxySettings settings;
  const std::string lookupUrl = LookupUrl(target, origin.defaultPort);
  if (!lookup(String::_tstringW().AssignUtf8(lookupUrl.c_str()), settings)) return;
  const ProxyChoice choice = ChooseProxy(settings.proxy, settings.bypass, target);
  if (choice.proxy.empty()) return;
  curl_easy_setopt(curl, CURLOPT_PROXY, choice.proxy.c_str());
  if (!choice.noProxy.empty() && !IsSet("no_proxy") && !IsSet("NO_PROXY")) {
    curl_easy_setopt(curl, CURLOPT_NOPROXY, choice.noProxy.c_str());
  }
}

}  // namespace web
