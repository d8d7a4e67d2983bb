#include "analytics/attribution_file.h"

#include <string>

#include "platform/win32.h"

namespace attribution {

namespace {

// Each value in the order it is written; `capacity` is how many units are read
// back, none for the region.
struct Field {
  const wchar_t* key;
  String::_tstringW Attribution::*member;
  DWORD capacity;
};

constexpr Field kFields[] = {
    {kTransactionId, &Attribution::transactionId, 256},
    {kOfferId, &Attribution::offerId, 256},
    {kVendorId, &Attribution::vendorId, 256},
    {kRegion, &Attribution::region, 0},
    {kGameAbbr, &Attribution::gameAbbr, 32},
    {kGclid, &Attribution::gclid, 256},
};

// Windows writes a value's line breaks into the file as they are, where they would
// end the entry and could start other keys or sections: each becomes a blank.
std::wstring SingleLine(const wchar_t* value) {
  std::wstring line(value);
  for (wchar_t& unit : line) {
    if (unit == L'\r' || unit == L'\n') unit = L' ';
  }
  return line;
}

}  // namespace

std::vector<qiv::platform::ProfileValue> StoredValues(const Attribution& values) {
  std::vector<qiv::platform::ProfileValue> stored;
  for (const Field& field : kFields) {
    stored.push_back({field.key, SingleLine((values.*field.member).c_str())});
  }
  for (const wchar_t* flag : kTriggerFlags) stored.push_back({flag, L"0"});
  return stored;
}

Attribution Read(const String::_tstringW& file) {
  Attribution values;
  for (const Field& field : kFields) {
    if (field.capacity == 0) continue;
    std::wstring buffer(field.capacity, L'\0');
    GetPrivateProfileStringW(kSection, field.key, L"", &buffer[0], field.capacity, file.c_str());
    values.*field.member = String::_tstringW(static_cast<const wchar_t*>(buffer.c_str()));
  }
  return values;
}

}  // namespace attribution
