// Expands "%NAME%" references from the process environment as Windows does: a
// name matches without regard to ASCII case, and a reference to a variable that
// is not set, or a lone "%", stays as written.
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "base/strings/case_rules.h"
#include "platform/posix/utf.h"
#include "platform/win32.h"

extern char** environ;

namespace {

bool SameNameNoCase(const std::string& name, const char* entry) {
  const size_t length = strnlen(entry, name.size() + 1);
  return length > name.size() && entry[name.size()] == '=' &&
         String::EqualsKeyword(name, std::string_view(entry, name.size()));
}

std::optional<std::string> Variable(const std::string& name) {
  if (name.empty() || name.find('=') != std::string::npos) return std::nullopt;
  if (const char* value = std::getenv(name.c_str())) return std::string(value);
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    if (SameNameNoCase(name, *entry)) return std::string(*entry + name.size() + 1);
  }
  return std::nullopt;
}

}  // namespace

DWORD ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size) {
  if (source == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::wstring text(source);
  std::wstring expanded;
  size_t at = 0;
  while (at < text.size()) {
    const size_t open = text.find(L'%', at);
    const size_t close = open == std::wstring::npos ? open : text.find(L'%', open + 1);
    if (close == std::wstring::npos) {
      expanded += text.substr(at);
      break;
    }
    expanded += text.substr(at, open - at);
    const auto value = Variable(qiv::posix::Utf16ToUtf8(text.substr(open + 1, close - open - 1)));
    expanded += value ? qiv::posix::Utf8ToUtf16(*value) : text.substr(open, close - open + 1);
    at = close + 1;
  }
  const DWORD needed = static_cast<DWORD>(expanded.size() + 1);
  if (destination != nullptr && size >= needed) {
    expanded.copy(destination, expanded.size());
    destination[expanded.size()] = 0;
  }
  return needed;
}
