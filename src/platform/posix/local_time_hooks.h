// Test hook for GetLocalTime, so timestamps can be checked against a fixed clock.
#pragma once

#include <optional>

#include "platform/win32.h"

namespace qiv::posix {

// While set, GetLocalTime reports this time; nullopt restores the real clock.
void SetLocalTimeOverride(std::optional<SYSTEMTIME> time);

}  // namespace qiv::posix
