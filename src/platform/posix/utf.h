// UTF-16 (held one unit per wchar_t) to and from UTF-8 at the POSIX boundary:
// file names, file contents and debug output. Surrogate pairs become one code
// point; malformed input becomes U+FFFD.
#pragma once

#include <string>

namespace qiv::posix {

std::string Utf16ToUtf8(const wchar_t* units, size_t count);
std::string Utf16ToUtf8(const std::wstring& units);
std::wstring Utf8ToUtf16(const std::string& bytes);

}  // namespace qiv::posix
