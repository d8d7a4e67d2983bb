#include "web/proxy_options.h"

#include <cctype>
#include <cstdlib>

#include "base/strings/tstring.h"
#include "platform/system_proxy.h"
#include "web/proxy_choice.h"

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

std::string Part(const CurlUrl& url, CURLUPart part, unsigned flags) {
  char* text = nullptr;
  if (curl_url_get(url.get(), part, &text, flags) != CURLUE_OK || text == nullptr) return {};
  std::string value(text);
  curl_free(text);
  return value;
}

bool Target(const std::string& url, RequestTarget& target) {
  CurlUrl parsed;
  if (parsed.get() == nullptr ||
      curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(),
                   CURLU_GUESS_SCHEME | CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
    return false;
  }
  target.scheme = Part(parsed, CURLUPART_SCHEME, 0);
  target.host = Part(parsed, CURLUPART_HOST, 0);
  const std::string port = Part(parsed, CURLUPART_PORT, CURLU_DEFAULT_PORT);
  for (char& c : target.scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (char& c : target.host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  target.port = port.empty() ? 0u : static_cast<unsigned>(std::strtoul(port.c_str(), nullptr, 10));
  return !target.scheme.empty() && !target.host.empty();
}

}  // namespace

void SetProxy(CURL* curl, const std::string& url) {
  RequestTarget target;
  if (!Target(url, target) || EnvironmentNamesProxy(target.scheme)) return;
  qiv::platform::ProxySettings settings;
  if (!qiv::platform::SystemProxyFor(String::_tstringW().AssignUtf8(url.c_str()), settings)) {
    return;
  }
  const ProxyChoice choice = ChooseProxy(settings.proxy, settings.bypass, target);
  if (choice.proxy.empty()) return;
  curl_easy_setopt(curl, CURLOPT_PROXY, choice.proxy.c_str());
  if (!choice.noProxy.empty() && !IsSet("no_proxy") && !IsSet("NO_PROXY")) {
    curl_easy_setopt(curl, CURLOPT_NOPROXY, choice.noProxy.c_str());
  }
}

}  // namespace web
