// Lets tests switch the ANSI code page of the POSIX stand-in; the program itself
// takes it from QIV_ACP or the locale once.
#pragma once

namespace qiv::posix {

// A null name goes back to QIV_ACP / the locale.
void SetAnsiCodePageForTesting(const char* iconvName);

}  // namespace qiv::posix
