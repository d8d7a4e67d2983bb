// How the system's profile (INI) functions treat a file, for the places where the
// program edits one itself: where a file name without a folder lies, and how the
// text of a file without a UTF-16 byte order mark is encoded.
#pragma once

#include <string>

namespace qiv::platform {

// The path the profile functions use for `fileName`: a bare name (no separator, no
// drive) lies in the Windows directory, so that a file written here is the one they
// read back; any other name is returned as it is. Empty when the Windows directory
// is unknown.
std::wstring ProfileFilePath(const std::wstring& fileName);

// The Windows directory as the profile functions know it (the POSIX build: the
// folder QIV_WINDOWS_DIR names, the current one by default).
std::wstring ProfileWindowsDirectory();

// A file's bytes and text where it has no UTF-16 byte order mark: the ANSI code
// page on Windows (characters it lacks become "?"), UTF-8 on the POSIX build, whose
// profile files are UTF-8.
std::wstring DecodeProfileBytes(const std::string& bytes);
std::string EncodeProfileText(const std::wstring& text);

}  // namespace qiv::platform
