// What a deletion through handles could not remove (in use, denied), scheduled
// for deletion at the next restart.
//
// A deletion at the restart goes by name, and a name a standard user can redirect
// with a junction before the restart is a known way to make an elevated program
// delete system files. So the folders that keep something are first given a
// protected DACL for SYSTEM and Administrators alone, from the directory down,
// through the handles the walk holds; only then are the names scheduled: the files,
// the folders deepest first, the directory last. Where any step is refused (not
// elevated), nothing more is done and what remains stays.
#pragma once

#include <string>

#include "platform/win32.h"
#include "removal/delete/tree_deletion.h"

namespace qiv::removal {

// `directory` is the held directory's handle and `path` its literal path. True
// when everything that remains is scheduled.
bool ScheduleRemainder(TreeDeletionReport& report, HANDLE directory, const std::wstring& path);

}  // namespace qiv::removal
