// The process-wide analytic record: session attributes, the machine's device id and
// the extra members waiting for the next event, and the assembly of one event.
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <string>

#include "base/json/object.h"
#include "platform/tstring.h"
#include "platform/win32.h"

// Index into the attribute table; the numbers are fixed.
enum class AnalyticAttr {
  DeviceId = 0,
  QivId = 1,
  InstallerParams = 2,
  TransactionId = 3,
  OfferId = 4,
  VendorId = 5,
  ClientVersion = 6,
  Language = 7,
  ClientType = 8,
  SessionId = 9,
};

class CAnalytic {
 public:
  static constexpr std::size_t kAttributeCount = 10;

  // Reads the device id; the session is not initialised yet.
  CAnalytic();

  // The one record of the process, constructed before main() runs.
  static CAnalytic& Instance();
  // Replaces the process's record with a freshly constructed one. Tests only.
  static void ResetInstanceForTesting();

  bool LoadDeviceId();

  // Only the first call in a process takes effect. Always true.
  bool Init(const String::_tstringW& installerParams, const String::_tstringW& transactionId,
            const String::_tstringW& vendorId, const String::_tstringW& offerId,
            const String::_tstringW& clientVersion, const String::_tstringW& qivid,
            const String::_tstringW& language);
  bool IsInitialized() const { return initialized_; }

  // Stores or replaces an extra member for the next event built.
  void SetParam(const std::string& key, const std::string& value);

  std::string MakeTimestamp() const;
  // Local time as 2024-03-05T07:08:09.45Z: milliseconds unpadded, a literal Z.
  static std::string FormatTimestamp(const SYSTEMTIME& time);

  // Reduces a path-like name such as a/b/name/? to its last segment.
  static std::string NormalizeEventName(std::string name);

  // Assembles one event and consumes the pending members.
  json::Object BuildEvent(const std::string& eventName, const std::string& lastGame,
                          const std::string& extraKey, const std::string& extraValue,
                          bool withInstallerParams);

  const std::string& Attribute(AnalyticAttr id) const;

  // Whether the installer parameters given to Init look like Base64 text. Kept for
  // diagnosis only: events always carry the parameters as the nested object.
  bool InstallerParamsLookLikeBase64() const { return installerParamsBase64_; }
  static bool LooksLikeBase64(const std::string& text);

 private:
  std::string& AttributeSlot(AnalyticAttr id);

  std::array<std::string, kAttributeCount> attributes_;
  bool initialized_ = false;
  bool installerParamsBase64_ = false;
  std::map<std::string, std::string> pendingMembers_;
};
