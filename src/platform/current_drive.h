// The drive that a path beginning with one separator ("\Games\Title") lies on.
#pragma once

#include <string>

namespace qiv::platform {

// "C:" as the system resolves such paths: the drive of the current directory.
// Empty when that is no drive (a network share): such paths are then ambiguous.
std::wstring CurrentDrive();

}  // namespace qiv::platform
