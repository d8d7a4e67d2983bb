// Which redirects a request follows: only to the web site itself, a few times.
#pragma once

#include <string>

#include "web/curl_handle.h"

namespace web {

// Redirects one request follows before it gives up. Every chain the services
// send is one or two hops; a handful more absorbs a host or language bounce,
// and a site that keeps redirecting to itself ends quickly with a logged line.
constexpr int kMaxRedirects = 5;

// True when `location` (an absolute URL) names the scheme https, the host and the
// port of `siteHost` ("host[:port]", port 443 when absent). Hosts compare without
// regard to case; a look-alike host, another port or plain http are refused.
bool IsSameSite(const std::string& location, const std::wstring& siteHost);

// IsSameSite against the web site host of this build.
bool IsSiteRedirect(const std::string& location);

// After a completed transfer: the redirect to follow, if the answer is one to the
// web site; `target` stays as it is otherwise. Returns the code of the status and
// location reads.
CURLcode SiteRedirect(CURL* curl, std::string& target);

}  // namespace web
