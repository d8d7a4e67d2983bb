// Setting values in a profile (INI) file that lies in a folder others may write,
// the way the install configuration document is rewritten: the folder chain is
// held from the read to the write, the old file is read as itself, and the new text
// goes into a new file that then takes the old one's place through the folder's
// handle. A link or a hard link at the file's name is replaced, never written
// through, and nothing is read through it; an interrupted write leaves the old file
// or the new one.
#pragma once

#include <string>
#include <vector>

#include "platform/profile_text.h"

namespace qiv::removal {

// Sets each key of `values`, in order, in `section` of the file `path` names (a
// bare name lies in the Windows directory, as for the profile functions), keeping
// everything else the file holds. Nothing is written, and one debug line says why,
// when the path names no file, its folder cannot be held or changed meanwhile, the
// file cannot be read, or it is read-only. False then.
bool SetProfileValues(const std::wstring& path, const std::wstring& section,
                      const std::vector<qiv::platform::ProfileValue>& values);

}  // namespace qiv::removal
