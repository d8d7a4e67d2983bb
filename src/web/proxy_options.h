// The proxy a request goes through: the environment's (libcurl reads it) where it
// names one, else the system's.
#pragma once

#include <string>

#include "platform/system_proxy.h"
#include "web/curl_handle.h"

namespace web {

// The system's proxy resolution, as SetProxy asks it (a parameter so tests see
// what it is handed).
using SystemProxyLookup = bool (*)(const std::wstring& url, qiv::platform::ProxySettings& settings);

// Sets CURLOPT_PROXY and CURLOPT_NOPROXY from the system's settings for `url`,
// unless a proxy variable libcurl reads for the URL's scheme (or all_proxy) is
// set; a set no_proxy likewise keeps the system's bypass list out. No system
// proxy: nothing is set. Results are not looked at: a rejected option leaves
// libcurl's own choice, and a proxy that fails fails the transfer.
//
// The resolution is asked about the request's origin alone ("scheme://host/",
// with ":port" only where it is not the scheme's own): a configuration script,
// which automatic detection fetches from whoever answers on the local network,
// learns where the request goes but never its path or query, which carry the
// event, the device and the attribution.
void SetProxy(CURL* curl, const std::string& url,
              SystemProxyLookup lookup = qiv::platform::SystemProxyFor);

}  // namespace web
