// Whole-file reading and replacing by a Windows-style wide path, so that files whose
// names lie outside the ANSI code page are reached as well.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace qiv::platform {

// Reads the whole file. False when it cannot be opened or read, or when it holds
// more than maxBytes bytes; `contents` is then empty.
bool ReadWholeFile(const std::wstring& path, size_t maxBytes, std::string& contents);

// Replaces the file's contents in one step: the bytes go to a temporary file beside
// it, which is then renamed over it, so a crash never leaves a half-written file and
// a link at `path` is replaced rather than written through.
bool ReplaceWholeFile(const std::wstring& path, const std::string& contents);

// Opens the file for binary writing (created or truncated); null on failure.
FILE* OpenFileForBinaryWrite(const wchar_t* path);

}  // namespace qiv::platform
