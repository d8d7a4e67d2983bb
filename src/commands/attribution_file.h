// Register.ini: the install attribution that the installer's last stage stores and
// the uninstaller reads back. One section, text values only.
#pragma once

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

}  // namespace attribution
