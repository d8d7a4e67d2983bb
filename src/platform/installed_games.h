// The games registered under the client's product key.
#pragma once

#include "platform/tstring.h"

// The product key: one subkey per registered game under HKEY_LOCAL_MACHINE.
inline constexpr wchar_t kProductKeyPath[] = L"SOFTWARE\\Orvandel\\Vantor";

// The "APP_ABBR" values of the game subkeys, de-duplicated, sorted by UTF-16 code
// unit, each followed by "|" ("ab|cd|"); empty when there are none or the product
// key cannot be opened.
String::_tstringW GetInstalledGameList();
