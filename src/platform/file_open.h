// Opens a file named by a Windows-style wide path, on either platform.
#pragma once

#include <cstdio>

namespace qiv::platform {

// Opens the file for binary writing (created or truncated); null on failure.
FILE* OpenFileForBinaryWrite(const wchar_t* path);

}  // namespace qiv::platform
