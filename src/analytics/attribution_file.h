// Register.ini: the install attribution that the installer's last stage stores and
// the uninstaller reads back. One section, text values only.
#pragma once

#include <vector>

#include "analytics/attribution.h"
#include "platform/profile_text.h"
#include "platform/tstring.h"

namespace attribution {

inline constexpr wchar_t kFileName[] = L"Register.ini";
inline constexpr wchar_t kSection[] = L"registered_from";

inline constexpr wchar_t kTransactionId[] = L"trans_id";
inline constexpr wchar_t kOfferId[] = L"offer_id";
inline constexpr wchar_t kVendorId[] = L"vendor_id";
inline constexpr wchar_t kRegion[] = L"region";
inline constexpr wchar_t kGameAbbr[] = L"game_abbr";
inline constexpr wchar_t kGclid[] = L"gclid";

// Flags other client software sets later; the installer starts them at "0".
inline constexpr const wchar_t* kTriggerFlags[] = {L"login_triggered", L"loginsuccess_triggered",
                                                   L"defender_triggered", L"gamelaunch_triggered"};

// What the installer's last stage writes into kSection, in order: every value
// (line breaks as blanks) and the trigger flags at "0". The file lies where a
// standard user may write, so it is written through its held folder
// (removal/delete/held_profile_update.h), not by the profile functions.
std::vector<qiv::platform::ProfileValue> StoredValues(const Attribution& values);

// The values StoredValues lists, read back through the profile functions; an
// absent value reads as empty. The region is not read: the uninstaller is told its
// language.
Attribution Read(const String::_tstringW& file);

}  // namespace attribution
