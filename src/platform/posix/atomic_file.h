// Whole-file replacement that never leaves a half-written file behind: the new
// content goes to a temporary file in the same directory, is flushed to disk and
// then renamed over the old file.
#pragma once

#include <string>

namespace qiv::posix {

// Returns 0 on success, else the errno of the failing step; on failure the old file
// (if any) is untouched and no temporary file is left. An existing file keeps its
// permission bits; a new one gets 0666 less the umask. A symbolic link is followed,
// so the file it names is replaced and the link stays.
int ReplaceFileAtomically(const std::string& path, const std::string& bytes);

// Test seam: the rename step, so tests can make it fail. Null restores rename(2).
using RenameFunction = int (*)(const char* from, const char* to);
void SetRenameFunctionForTesting(RenameFunction function);

}  // namespace qiv::posix
