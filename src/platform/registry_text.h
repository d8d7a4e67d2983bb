// Text values and subkey names of the registry, as the folder, product and game
// readers take them.
#pragma once

#include <string>
#include <vector>

#include "platform/win32.h"

namespace qiv::platform {

// A REG_SZ or REG_EXPAND_SZ value of fewer than 2048 units, up to its first zero;
// empty when it is absent, of another type or longer. `type` receives its type.
std::wstring ReadRegistryText(HKEY key, const wchar_t* name, DWORD* type = nullptr);

// The names of the direct subkeys of `key` in the order the system lists them, each
// up to its first zero. A name too long for a key name (more than 255 units) is
// passed over; the listing ends at the first other failure, since going on could
// only repeat it (the key deleted meanwhile, access lost).
std::vector<std::wstring> SubkeyNames(HKEY key);

// The text with the process's environment references expanded; empty when the
// result would not fit 2048 units.
std::wstring ExpandEnvironment(const std::wstring& text);

}  // namespace qiv::platform
