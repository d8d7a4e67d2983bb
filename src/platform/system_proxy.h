// The proxy the user's system settings choose for one request. Windows: WinHTTP's
// view of the current user's settings (a static proxy, or what automatic detection
// or the configuration script picks for the URL). POSIX: none; libcurl reads the
// proxy environment variables itself there.
#pragma once

#include <string>

namespace qiv::platform {

// The two lists in WinHTTP's own forms: `proxy` is "host:port" or per scheme
// "http=host:port;https=host:port" (entries separated by ';' or blanks), `bypass`
// the hosts that go direct ("<local>" for names without a dot, '*' wildcards).
struct ProxySettings {
  std::wstring proxy;
  std::wstring bypass;
};

// False when the system names no proxy for `url` (settings left untouched).
// `url` is handed to the resolution, and to a configuration script, as it is.
bool SystemProxyFor(const std::wstring& url, ProxySettings& settings);

}  // namespace qiv::platform
