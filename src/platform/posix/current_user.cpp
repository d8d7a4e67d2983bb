#include "platform/current_user.h"

namespace qiv::platform {

// A fixed user, the one Wine reports for its own user as well.
std::wstring CurrentUserSid() { return L"S-1-5-21-0-0-0-1000"; }

}  // namespace qiv::platform
