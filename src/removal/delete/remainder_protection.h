// What a deletion through handles left in the install directory (held without its
// deletion shared, denied), closed to everyone but the administrators.
//
// Nothing here is scheduled for the restart: only the quarantine's names are
// (quarantine.h). The directory and the folders that stay get owner Administrators
// and a protected DACL for SYSTEM and Administrators alone, from the directory
// down, through the handles the walk holds; where any step is refused (not
// elevated), nothing more is done.
#pragma once

#include <string>

#include "platform/win32.h"
#include "removal/delete/tree_deletion.h"

namespace qiv::removal {

// `directory` is the held directory's handle and `path` its literal path. True
// when the directory and every folder that stays are protected.
bool ProtectRemainder(TreeDeletionReport& report, HANDLE directory, const std::wstring& path);

}  // namespace qiv::removal
