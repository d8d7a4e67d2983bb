#include "platform/system_proxy.h"

#include <windows.h>
#include <winhttp.h>

#include <memory>

#include "base/memory/scoped_handle.h"

namespace qiv::platform {

namespace {

// A string WinHTTP allocated for the caller.
using GlobalText = std::unique_ptr<wchar_t, FreeWith<GlobalFree>>;

std::wstring TextOf(const GlobalText& text) {
  return text ? std::wstring(text.get()) : std::wstring();
}
bool IsEmpty(const GlobalText& text) { return !text || *text == L'\0'; }

struct InternetTraits {
  using Handle = HINTERNET;
  static HINTERNET Invalid() { return nullptr; }
  static void Close(HINTERNET handle) { WinHttpCloseHandle(handle); }
};
using InternetHandle = ScopedHandle<InternetTraits>;

// Where the network has no detection answer, asking again for every request of a
// run would only repeat the wait.
bool g_detectionFailed = false;

enum class Answer { kNone, kDirect, kProxy };

// What automatic detection and/or the configuration script pick for `url`: no
// answer (nothing to consult, or it failed), DIRECT, or a proxy.
Answer AutomaticProxyFor(const std::wstring& url, bool detect, LPCWSTR scriptUrl,
                         ProxySettings& settings) {
  WINHTTP_AUTOPROXY_OPTIONS options = {};
  if (detect && !g_detectionFailed) {
    options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  if (scriptUrl != nullptr && *scriptUrl != L'\0') {
    options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = scriptUrl;
  }
  if (options.dwFlags == 0) return Answer::kNone;
  InternetHandle session(WinHttpOpen(L"QivDepends", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                     WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return Answer::kNone;
  WINHTTP_PROXY_INFO info = {};
  if (!WinHttpGetProxyForUrl(session.Get(), url.c_str(), &options, &info)) {
    if (GetLastError() == ERROR_WINHTTP_AUTODETECTION_FAILED) g_detectionFailed = true;
    return Answer::kNone;
  }
  const GlobalText proxy(info.lpszProxy);
  const GlobalText bypass(info.lpszProxyBypass);
  if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY || IsEmpty(proxy))
    return Answer::kDirect;
  settings.proxy = TextOf(proxy);
  settings.bypass = TextOf(bypass);
  return Answer::kProxy;
}

}  // namespace

bool SystemProxyFor(const std::wstring& url, ProxySettings& settings) {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return false;
  const GlobalText scriptUrl(config.lpszAutoConfigUrl);
  const GlobalText proxy(config.lpszProxy);
  const GlobalText bypass(config.lpszProxyBypass);
  // As the system's own clients do: automatic configuration first, the static
  // proxy where it gives no answer.
  switch (AutomaticProxyFor(url, config.fAutoDetect != FALSE, config.lpszAutoConfigUrl, settings)) {
    case Answer::kProxy:
      return true;
    case Answer::kDirect:
      return false;
    case Answer::kNone:
      break;
  }
  if (IsEmpty(proxy)) return false;
  settings.proxy = TextOf(proxy);
  settings.bypass = TextOf(bypass);
  return true;
}

}  // namespace qiv::platform
