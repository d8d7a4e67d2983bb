// The proxy a request goes through: the environment's (libcurl reads it) where it
// names one, else the system's.
#pragma once

#include <string>

#include "web/curl_handle.h"

namespace web {

// Sets CURLOPT_PROXY and CURLOPT_NOPROXY from the system's settings for `url`,
// unless a proxy variable libcurl reads for the URL's scheme (or all_proxy) is
// set; a set no_proxy likewise keeps the system's bypass list out. No system
// proxy: nothing is set. Results are not looked at: a rejected option leaves
// libcurl's own choice, and a proxy that fails fails the transfer.
void SetProxy(CURL* curl, const std::string& url);

}  // namespace web
