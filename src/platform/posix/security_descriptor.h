// The stand-in's security descriptors, for the calls that take one (NtCreateFile).
#pragma once

#include <sys/types.h>

#include <optional>

#include "platform/win32.h"

namespace qiv::posix {

// The permissions an object created with `descriptor` gets: only its owner's (the
// owner stands for the administrators). Nothing when it is no descriptor made here.
std::optional<mode_t> CreationMode(PSECURITY_DESCRIPTOR descriptor, bool directory);

}  // namespace qiv::posix
