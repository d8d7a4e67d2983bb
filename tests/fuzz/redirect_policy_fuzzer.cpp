// The redirect rule with fuzzed locations: whatever libcurl's URL parser makes of
// a location, it is followed only when an independent reading of its text finds
// the https scheme and exactly the site's host and port.
//
// Input: the location, as a server would send it.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "web/redirect_policy.h"

namespace {

const wchar_t kSite[] = L"www.vantor.localhost:47443";
const char kSiteHost[] = "www.vantor.localhost";
constexpr unsigned long kSitePort = 47443;

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// "https:" slashes authority [ "/" | "?" | "#" ...], authority = host [":" port].
// libcurl accepts one to three slashes after the scheme; it connects where it parses.
bool NamesSite(const std::string& location) {
  const std::string text = Lower(location);
  const std::string scheme = "https:";
  if (text.compare(0, scheme.size(), scheme) != 0) return false;
  const size_t start = text.find_first_not_of('/', scheme.size());
  if (start == std::string::npos) return false;
  const size_t end = text.find_first_of("/?#", start);
  std::string authority =
      text.substr(start, end == std::string::npos ? std::string::npos : end - start);
  // A user part ends at the last '@'; the host follows it.
  const size_t at = authority.rfind('@');
  if (at != std::string::npos) authority.erase(0, at + 1);
  const size_t colon = authority.rfind(':');
  const std::string host = authority.substr(0, colon);
  if (host != kSiteHost) return false;
  if (colon == std::string::npos) return false;  // the site is not on port 443
  std::string port = authority.substr(colon + 1);
  // Leading zeros do not change the port libcurl connects to.
  const size_t digits = port.find_first_not_of('0');
  if (digits != std::string::npos && digits > 0) port.erase(0, digits);
  if (port.empty() || port.size() > 8 ||
      port.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  return std::stoul(port) == kSitePort;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string location(reinterpret_cast<const char*>(data), size);
  location = location.substr(0, location.find('\0'));
  if (web::IsSameSite(location, kSite)) FUZZ_CHECK(NamesSite(location));
  return 0;
}
