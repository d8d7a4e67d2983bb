#include "platform/system_proxy.h"

namespace qiv::platform {

// No system-wide proxy setting beyond the environment, which libcurl reads itself.
bool SystemProxyFor(const std::wstring&, ProxySettings&) { return false; }

}  // namespace qiv::platform
