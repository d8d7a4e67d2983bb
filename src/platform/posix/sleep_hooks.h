// Test hook for Sleep: unit tests of retry loops see each requested pause without
// waiting for it. End-to-end runs shorten real pauses with QIV_SLEEP_SCALE instead.
#pragma once

#include <functional>

#include "platform/win32.h"

namespace qiv::posix {

// While an observer is set, Sleep passes it the requested milliseconds and returns
// at once. An empty function restores real sleeping.
void SetSleepObserver(std::function<void(DWORD)> observer);

}  // namespace qiv::posix
