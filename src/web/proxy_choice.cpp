#include "web/proxy_choice.h"

#include <vector>

#include "base/strings/case_rules.h"
#include "platform/tstring.h"

namespace web {

namespace {

bool IsSeparator(wchar_t c) {
  return c == L';' || c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

std::vector<std::string> Entries(std::wstring_view list) {
  std::vector<std::string> entries;
  size_t start = 0;
  while (start < list.size()) {
    while (start < list.size() && IsSeparator(list[start])) ++start;
    size_t end = start;
    while (end < list.size() && !IsSeparator(list[end])) ++end;
    if (end > start) {
      std::string entry;
      String::WideToUtf8(std::wstring(list.substr(start, end - start)).c_str(), entry);
      entries.push_back(entry);
    }
    start = end;
  }
  return entries;
}

// '*' any run of characters, '?' any one; the rest compares without case.
bool Matches(std::string_view pattern, std::string_view text) {
  size_t p = 0, t = 0, starAt = std::string_view::npos, resumeAt = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (p < pattern.size() && pattern[p] == '*') {
      starAt = p++;
      resumeAt = t;
    } else if (starAt != std::string_view::npos) {
      p = starAt + 1;
      t = ++resumeAt;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string ProxyUrl(const std::string& address, const char* defaultScheme) {
  if (address.find("://") != std::string::npos) return address;
  return std::string(defaultScheme) + "://" + address;
}

bool Bypassed(const std::string& entry, const RequestTarget& target) {
  std::string pattern = String::FoldKeyword(entry);
  if (pattern == "<local>") {
    return !target.host.empty() && target.host.find('.') == std::string::npos &&
           target.host.find(':') == std::string::npos;
  }
  const size_t schemeEnd = pattern.find("://");
  if (schemeEnd != std::string::npos) {
    if (pattern.compare(0, schemeEnd, target.scheme) != 0) return false;
    pattern.erase(0, schemeEnd + 3);
  }
  // A trailing ":port" (digits only) narrows the entry to that port.
  const size_t colon = pattern.rfind(':');
  if (colon != std::string::npos && colon + 1 < pattern.size() &&
      pattern.find_first_not_of("0123456789", colon + 1) == std::string::npos &&
      pattern.find(']') == std::string::npos && pattern.find(':') == colon) {
    if (std::stoul(pattern.substr(colon + 1)) != target.port) return false;
    pattern.erase(colon);
  }
  return Matches(pattern, target.host);
}

}  // namespace

ProxyChoice ChooseProxy(std::wstring_view proxyList, std::wstring_view bypassList,
                        const RequestTarget& target) {
  std::string forScheme, generic, socks;
  for (const std::string& entry : Entries(proxyList)) {
    const size_t equals = entry.find('=');
    if (equals == std::string::npos) {
      if (generic.empty()) generic = entry;
      continue;
    }
    const std::string scheme = String::FoldKeyword(entry.substr(0, equals));
    const std::string address = entry.substr(equals + 1);
    if (address.empty()) continue;
    if (scheme == target.scheme && forScheme.empty()) forScheme = address;
    if (scheme == "socks" && socks.empty()) socks = address;
  }
  ProxyChoice choice;
  if (!forScheme.empty()) {
    choice.proxy = ProxyUrl(forScheme, "http");
  } else if (!generic.empty()) {
    choice.proxy = ProxyUrl(generic, "http");
  } else if (!socks.empty()) {
    choice.proxy = ProxyUrl(socks, "socks4");
  }
  if (choice.proxy.empty()) return choice;
  for (const std::string& entry : Entries(bypassList)) {
    if (Bypassed(entry, target)) {
      choice.noProxy = target.host;
      break;
    }
  }
  return choice;
}

}  // namespace web
