// The host a request URL connects to, as libcurl reads it.
#pragma once

#include <string>

namespace web {

// The host part of `url` (no user name, no port) parsed the way CURLOPT_URL parses
// it, scheme guessed where absent; empty when libcurl would refuse the URL.
std::string UrlHost(const std::string& url);

}  // namespace web
