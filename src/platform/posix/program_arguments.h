// The stand-in's command line: Linux hands a program bytes, by convention UTF-8
// text, and the Windows program receives UTF-16 text from the system. The bytes
// become UTF-16 here (malformed sequences U+FFFD), so every argument reaches the
// driver as the Windows program's would; the ANSI code page plays no part.
#pragma once

#include <string>
#include <vector>

namespace qiv::posix {

class ProgramArguments {
 public:
  ProgramArguments(int argc, char** argv);
  int Count() const { return static_cast<int>(texts_.size()); }
  // argv as wmain receives it: Count() texts and a null element after them.
  const wchar_t* const* Vector() const { return vector_.data(); }

 private:
  std::vector<std::wstring> texts_;
  std::vector<const wchar_t*> vector_;
};

}  // namespace qiv::posix
