// Text values and subkey names of the registry, as the folder, product and game
// readers take them.
#pragma once

#include <optional>
#include <string>

#include "platform/win32.h"

namespace qiv::platform {

// Which registry types a read takes as text.
enum class TextTypes {
  kAny,              // any type: its bytes are read as UTF-16
  kStrings,          // REG_SZ and REG_EXPAND_SZ
  kStringsAndLists,  // and REG_MULTI_SZ, of which the first string is read
};

// The text of a value of `types` that holds at most `maxBytes` bytes: its data as
// UTF-16 up to the first zero unit, the data need not be terminated (an odd last
// byte is read as a unit of its own, as a zero-filled buffer reads it). Nothing
// when it is absent, of another type or longer. `type` receives its type.
std::optional<std::wstring> ReadValueText(HKEY key, const wchar_t* name, DWORD maxBytes,
                                          TextTypes types, DWORD* type = nullptr);

// A REG_SZ or REG_EXPAND_SZ value of fewer than 2048 units, up to its first zero;
// empty when it is absent, of another type or longer. `type` receives its type.
std::wstring ReadRegistryText(HKEY key, const wchar_t* name, DWORD* type = nullptr);

// A key name with its terminating zero: key names hold at most 255 units.
using KeyName = wchar_t[256];

// The direct subkeys of `key` one by one, in the order the system lists them:
// `name` receives the one at `index` or after it and `index` moves past it; false
// at the end. A name too long for a key name (more than 255
// units) is passed over; the listing ends at the first other failure, since going
// on could only repeat it (the key deleted meanwhile, access lost).
//   for (DWORD index = 0; NextSubkeyName(key, index, name);) ...
bool NextSubkeyName(HKEY key, DWORD& index, KeyName& name);

// The text with the process's environment references expanded; empty when the
// result would not fit 2048 units.
std::wstring ExpandEnvironment(const std::wstring& text);

}  // namespace qiv::platform
