// Text values of the registry, as the folder and product readers take them.
#pragma once

#include <string>

#include "platform/win32.h"

namespace qiv::platform {

// A REG_SZ or REG_EXPAND_SZ value of fewer than 2048 units, up to its first zero;
// empty when it is absent, of another type or longer. `type` receives its type.
std::wstring ReadRegistryText(HKEY key, const wchar_t* name, DWORD* type = nullptr);

// The text with the process's environment references expanded; empty when the
// result would not fit 2048 units.
std::wstring ExpandEnvironment(const std::wstring& text);

}  // namespace qiv::platform
