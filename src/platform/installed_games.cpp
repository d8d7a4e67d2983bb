#include "platform/installed_games.h"

#include <set>

#include "platform/registry_key.h"
#include "platform/registry_text.h"
#include "platform/win32.h"

namespace {

// A longer value is left out.
constexpr DWORD kValueReadBytes = 1024;

// Adds the game's "APP_ABBR" to `abbreviations`; a subkey that cannot be opened
// or has no readable value adds nothing.
void AddGameAbbreviation(const String::_tstringW& subkeyName,
                         std::set<String::_tstringW>& abbreviations) {
  String::_tstringW path(kProductKeyPath);
  path += L"\\";
  path += subkeyName;
  CRegistryKey game;
  if (game.Open(HKEY_LOCAL_MACHINE, path.c_str(), KEY_QUERY_VALUE) != ERROR_SUCCESS) return;
  if (auto value = qiv::platform::ReadValueText(game.Handle(), L"APP_ABBR", kValueReadBytes,
                                                qiv::platform::TextTypes::kAny)) {
    abbreviations.insert(String::_tstringW(*value));
  }
}

}  // namespace

String::_tstringW GetInstalledGameList() {
  CRegistryKey product;
  if (product.Open(HKEY_LOCAL_MACHINE, kProductKeyPath, KEY_ENUMERATE_SUB_KEYS) != ERROR_SUCCESS) {
    return String::_tstringW();
  }

  // std::set orders by code unit, which is the order the list is reported in.
  std::set<String::_tstringW> abbreviations;
  qiv::platform::KeyName name = {};
  for (DWORD index = 0; qiv::platform::NextSubkeyName(product.Handle(), index, name);) {
    AddGameAbbreviation(String::_tstringW(static_cast<const wchar_t*>(name)), abbreviations);
  }

  String::_tstringW list;
  for (const String::_tstringW& abbreviation : abbreviations) {
    list += abbreviation;
    list += L"|";
  }
  return list;
}
