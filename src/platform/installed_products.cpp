#include "platform/installed_products.h"

#include "base/strings/case_rules.h"
#include "base/strings/trim.h"
#include "platform/registry_key.h"
#include "platform/registry_text.h"
#include "platform/win32.h"

namespace qiv::platform {

namespace {

constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// A drive or share path, or one that begins with a single separator (on the
// current drive, as the system reads it): taking in too many folders only keeps more.
bool IsAbsolute(const std::wstring& path) {
  const bool drive =
      path.size() >= 3 && String::IsAsciiLetter(path[0]) && path[1] == L':' && path[2] == L'\\';
  const bool share = path.size() > 2 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'\\';
  const bool rooted = path.size() > 1 && path[0] == L'\\' && path[1] != L'\\';
  return drive || share || rooted;
}

// Where an unquoted program name ends: after ".exe" when a blank, a comma or the
// end follows (paths with blanks are often left unquoted), else at an icon index.
std::wstring UnquotedProgram(const std::wstring& text) {
  for (size_t at = 0; at + 4 <= text.size(); ++at) {
    if (String::EqualsKeyword(std::wstring_view(text.data() + at, 4), L".exe") &&
        (at + 4 == text.size() || text[at + 4] == L' ' || text[at + 4] == L',')) {
      return text.substr(0, at + 4);
    }
  }
  const size_t comma = text.rfind(L',');
  if (comma != std::wstring::npos) {
    const std::wstring index = std::wstring(
        String::Trim(std::wstring_view(text.data() + comma + 1, text.size() - comma - 1)));
    const size_t digits = index.rfind(L'-', 0) == 0 ? 1 : 0;
    if (index.size() > digits &&
        index.find_first_not_of(L"0123456789", digits) == std::wstring::npos)
      return std::wstring(String::Trim(std::wstring_view(text.data(), comma)));
  }
  return text;
}

std::wstring ReadText(HKEY key, const wchar_t* name) {
  DWORD type = REG_NONE;
  const std::wstring text = ReadRegistryText(key, name, &type);
  return type == REG_EXPAND_SZ ? ExpandEnvironment(text) : text;
}

InstalledProduct ReadProduct(HKEY entry) {
  InstalledProduct product;
  if (auto folder = LocationFolder(ReadText(entry, L"InstallLocation"))) {
    product.locations.push_back(std::move(*folder));
    return product;
  }
  for (const wchar_t* name : {L"UninstallString", L"DisplayIcon"}) {
    if (auto folder = ProgramFolder(ReadText(entry, name))) {
      product.locations.push_back(std::move(*folder));
    }
  }
  return product;
}

void ReadList(HKEY root, REGSAM view, std::vector<InstalledProduct>& products) {
  CRegistryKey list;
  if (list.Open(root, kUninstallKey, KEY_ENUMERATE_SUB_KEYS | view) != ERROR_SUCCESS) return;
  KeyName name = {};
  for (DWORD index = 0; NextSubkeyName(list.Handle(), index, name);) {
    if (name[0] == 0) continue;
    CRegistryKey entry;
    if (entry.Open(list.Handle(), name, KEY_QUERY_VALUE | view) != ERROR_SUCCESS) continue;
    InstalledProduct product = ReadProduct(entry.Handle());
    if (!product.locations.empty()) products.push_back(std::move(product));
  }
}

}  // namespace

std::vector<InstalledProduct> QueryInstalledProducts() {
  std::vector<InstalledProduct> products;
  // A 32-bit program sees only the 32-bit list unless it asks for the other view;
  // on 32-bit Windows both requests read the one list.
  ReadList(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, products);
  ReadList(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, products);
  ReadList(HKEY_CURRENT_USER, 0, products);
  return products;
}

std::optional<std::wstring> ProgramFolder(const std::wstring& commandLine) {
  std::wstring text = std::wstring(String::Trim(commandLine));
  if (text.empty()) return std::nullopt;
  std::wstring program;
  if (text[0] == L'"') {
    const size_t close = text.find(L'"', 1);
    if (close == std::wstring::npos) return std::nullopt;
    program = text.substr(1, close - 1);
  } else {
    program = UnquotedProgram(text);
  }
  for (wchar_t& unit : program) {
    if (unit == L'/') unit = L'\\';
  }
  const size_t slash = program.rfind(L'\\');
  if (!IsAbsolute(program) || slash == std::wstring::npos || slash + 1 == program.size()) {
    return std::nullopt;
  }
  // A program in a drive root names the root itself.
  if (slash == 0) return L"\\";
  return program.substr(0, slash == 2 && program[1] == L':' ? 3 : slash);
}

std::optional<std::wstring> LocationFolder(const std::wstring& location) {
  std::wstring text = std::wstring(String::Trim(location));
  if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') {
    text = std::wstring(String::Trim(std::wstring_view(text.data() + 1, text.size() - 2)));
  }
  for (wchar_t& unit : text) {
    if (unit == L'/') unit = L'\\';
  }
  if (!IsAbsolute(text)) return std::nullopt;
  while (text.size() > 3 && text.back() == L'\\') text.pop_back();
  return text;
}

}  // namespace qiv::platform
