#include "platform/current_drive.h"

namespace qiv::platform {

// Everything lies on Z:, Wine's name for "/", so "\tmp\x" is "Z:\tmp\x".
std::wstring CurrentDrive() { return L"Z:"; }

}  // namespace qiv::platform
