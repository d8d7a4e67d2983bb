// Whole-file reading by a Windows-style wide path, so that files whose
// names lie outside the ANSI code page are reached as well.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace qiv::platform {

// Reads the whole file. False when it cannot be opened or read, or when it holds
// more than maxBytes bytes; `contents` is then empty.
bool ReadWholeFile(const std::wstring& path, size_t maxBytes, std::string& contents);

// Opens the file for binary writing (created or truncated); null on failure.
FILE* OpenFileForBinaryWrite(const wchar_t* path);

}  // namespace qiv::platform
