// Who runs this program, as the registry names the user's hive under HKEY_USERS.
#pragma once

#include <string>

namespace qiv::platform {

// The string form of the user's security identifier ("S-1-5-21-..."), or empty
// when the system cannot tell.
std::wstring CurrentUserSid();

}  // namespace qiv::platform
