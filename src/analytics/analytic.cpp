#include "analytics/analytic.h"

#include "base/json/trivial_type.h"
#include "platform/registry_key.h"
#include "platform/registry_text.h"

namespace {

constexpr wchar_t kCryptographyKey[] = L"SOFTWARE\\Microsoft\\Cryptography";
constexpr wchar_t kMachineGuidValue[] = L"MachineGuid";
// Of any type; a longer value fails the query.
constexpr DWORD kDeviceIdQueryBytes = 256;
constexpr char kClientType[] = "xnb";

bool IsBase64Character(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
         c == '/' || c == '=';
}

// Constructs the record during static initialisation, before main() runs.
[[maybe_unused]] const CAnalytic& g_constructedAtStartup = CAnalytic::Instance();

}  // namespace

CAnalytic::CAnalytic() { LoadDeviceId(); }

CAnalytic& CAnalytic::Instance() {
  static CAnalytic instance;
  return instance;
}

void CAnalytic::ResetInstanceForTesting() { Instance() = CAnalytic(); }

bool CAnalytic::LoadDeviceId() {
  CRegistryKey key;
  // The 64-bit view: a 32-bit process on 64-bit Windows finds MachineGuid only there.
  if (key.Open(HKEY_LOCAL_MACHINE, kCryptographyKey, KEY_QUERY_VALUE | KEY_WOW64_64KEY) !=
      ERROR_SUCCESS) {
    return false;
  }
  const auto guid = qiv::platform::ReadValueText(
      key.Handle(), kMachineGuidValue, kDeviceIdQueryBytes, qiv::platform::TextTypes::kAny);
  if (!guid) return false;
  AttributeSlot(AnalyticAttr::DeviceId) = String::_tstringW(*guid).ToAnsi();
  return true;
}

bool CAnalytic::Init(const String::_tstringW& installerParams,
                     const String::_tstringW& transactionId, const String::_tstringW& vendorId,
                     const String::_tstringW& offerId, const String::_tstringW& clientVersion,
                     const String::_tstringW& qivid, const String::_tstringW& language) {
  if (initialized_) return true;
  AttributeSlot(AnalyticAttr::ClientType) = kClientType;
  AttributeSlot(AnalyticAttr::InstallerParams) = installerParams.ToAnsi();
  AttributeSlot(AnalyticAttr::TransactionId) = transactionId.ToAnsi();
  AttributeSlot(AnalyticAttr::OfferId) = offerId.ToAnsi();
  AttributeSlot(AnalyticAttr::VendorId) = vendorId.ToAnsi();
  AttributeSlot(AnalyticAttr::ClientVersion) = clientVersion.ToAnsi();
  AttributeSlot(AnalyticAttr::QivId) = qivid.ToAnsi();
  AttributeSlot(AnalyticAttr::Language) = language.ToAnsi();
  installerParamsBase64_ = LooksLikeBase64(Attribute(AnalyticAttr::InstallerParams));
  initialized_ = true;
  return true;
}

void CAnalytic::SetParam(const std::string& key, const std::string& value) {
  pendingMembers_[key] = value;
}

std::string CAnalytic::MakeTimestamp() const {
  SYSTEMTIME now = {};
  GetLocalTime(&now);
  return FormatTimestamp(now);
}

std::string CAnalytic::FormatTimestamp(const SYSTEMTIME& time) {
  String::_tstringW text;
  text.Format(7, "%02d-%02d-%02dT%02d:%02d:%02d.%dZ", static_cast<int>(time.wYear),
              static_cast<int>(time.wMonth), static_cast<int>(time.wDay),
              static_cast<int>(time.wHour), static_cast<int>(time.wMinute),
              static_cast<int>(time.wSecond), static_cast<int>(time.wMilliseconds));
  return text.ToAnsi();
}

std::string CAnalytic::NormalizeEventName(std::string name) {
  const std::string::size_type lastKept = name.find_last_not_of(" \\/?");
  if (lastKept != std::string::npos) name.erase(lastKept + 1);
  const std::string::size_type lastSlash = name.rfind('/');
  if (lastSlash != std::string::npos) name.erase(0, lastSlash + 1);
  return name;
}

json::Object CAnalytic::BuildEvent(const std::string& eventName, const std::string& lastGame,
                                   const std::string& extraKey, const std::string& extraValue,
                                   bool withInstallerParams) {
  const std::string timestamp = MakeTimestamp();
  // Members appear in the order their keys are first set; a later standard member
  // with the same key as the extra one overwrites it in place.
  json::Object event;
  event["event"] = json::String(NormalizeEventName(eventName));
  if (!extraValue.empty()) event[extraKey] = json::String(extraValue);
  event["client_timestamp"] = json::String(timestamp);
  event["qivid"] = json::String(Attribute(AnalyticAttr::QivId));
  event["qiv_session_id"] = json::String(Attribute(AnalyticAttr::SessionId));
  event["device_id"] = json::String(Attribute(AnalyticAttr::DeviceId));
  event["qiv_type"] = json::String(Attribute(AnalyticAttr::ClientType));
  event["qiv_ver"] = json::String(Attribute(AnalyticAttr::ClientVersion));
  event["qiv_language"] = json::String(Attribute(AnalyticAttr::Language));
  if (!lastGame.empty()) event["qiv_last_game"] = json::String(lastGame);
  for (const auto& [key, value] : pendingMembers_) event[key] = json::String(value);
  pendingMembers_.clear();
  if (withInstallerParams) {
    json::Object installerParams;
    installerParams["gclid"] = json::String(Attribute(AnalyticAttr::InstallerParams));
    installerParams["hoff_transaction_id"] = json::String(Attribute(AnalyticAttr::TransactionId));
    installerParams["hoff_vendor_id"] = json::String(Attribute(AnalyticAttr::VendorId));
    installerParams["hoff_offer_id"] = json::String(Attribute(AnalyticAttr::OfferId));
    event["installer_params"] = installerParams;
  }
  return event;
}

const std::string& CAnalytic::Attribute(AnalyticAttr id) const {
  return attributes_[static_cast<std::size_t>(id)];
}

std::string& CAnalytic::AttributeSlot(AnalyticAttr id) {
  return attributes_[static_cast<std::size_t>(id)];
}

bool CAnalytic::LooksLikeBase64(const std::string& text) {
  if (text.empty() || text.size() % 4 != 0) return false;
  for (char c : text) {
    if (!IsBase64Character(c)) return false;
  }
  return true;
}
