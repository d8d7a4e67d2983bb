// The program's three rules for comparing text without regard to case. Each
// comparison names the rule it follows, so that two places judging the same kind of
// name cannot drift apart:
//   keywords        - command words, flags, schemes, host names and the fixed names
//                     the program looks for: only ASCII A-Z fold;
//   file names      - ASCII, Latin-1, basic Greek and Cyrillic capitals fold, as the
//                     file system compares the names the program meets;
//   registry names  - ASCII, and the two letters whose capitals are ASCII (dotless
//                     i, long s), so that no spelling of a key slips past a check.
// The POSIX stand-in's platform/posix/case_fold.h is not a fourth rule of the
// program: it models the system's own upper-case table, which the stand-in's
// registry and profile files compare names by.
#pragma once

#include <string>
#include <string_view>

namespace String {

// Keywords: ASCII A-Z to a-z, every other unit as it is.
inline wchar_t FoldKeywordUnit(wchar_t unit) {
  return unit >= L'A' && unit <= L'Z' ? static_cast<wchar_t>(unit + (L'a' - L'A')) : unit;
}
inline char FoldKeywordByte(char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + ('a' - 'A')) : byte;
}
std::string FoldKeyword(std::string text);
bool EqualsKeyword(std::wstring_view a, std::wstring_view b);
bool EqualsKeyword(std::string_view a, std::string_view b);
bool StartsWithKeyword(std::wstring_view text, std::wstring_view prefix);

// A drive letter: ASCII A-Z in either case.
inline bool IsAsciiLetter(wchar_t unit) {
  return (unit >= L'A' && unit <= L'Z') || (unit >= L'a' && unit <= L'z');
}

// File names: capitals of ASCII, Latin-1, basic Greek and Cyrillic to lower case.
std::wstring FoldFileName(const std::wstring& text);

// Registry names: ASCII capitals to lower case, dotless i to "i", long s to "s".
std::wstring FoldRegistryName(std::wstring_view text);

}  // namespace String
