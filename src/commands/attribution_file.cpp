#include "commands/attribution_file.h"

#include <string>

#include "platform/win32.h"

namespace attribution {

namespace {

constexpr DWORD kValueCapacity = 256;
constexpr DWORD kGameAbbrCapacity = 32;

// Windows writes a value's line breaks into the file as they are, where they would
// end the entry and could start other keys or sections: each becomes a blank.
std::wstring SingleLine(const wchar_t* value) {
  std::wstring line(value);
  for (wchar_t& unit : line) {
    if (unit == L'\r' || unit == L'\n') unit = L' ';
  }
  return line;
}

String::_tstringW ReadValue(const String::_tstringW& file, const wchar_t* key, DWORD capacity) {
  std::wstring buffer(capacity, L'\0');
  GetPrivateProfileStringW(kSection, key, L"", &buffer[0], capacity, file.c_str());
  return String::_tstringW(static_cast<const wchar_t*>(buffer.c_str()));
}

}  // namespace

void Store(const String::_tstringW& file, const Attribution& values) {
  auto write = [&file](const wchar_t* key, const wchar_t* value) {
    WritePrivateProfileStringW(kSection, key, SingleLine(value).c_str(), file.c_str());
  };
  write(kTransactionId, values.transactionId.c_str());
  write(kOfferId, values.offerId.c_str());
  write(kVendorId, values.vendorId.c_str());
  write(kRegion, values.region.c_str());
  write(kGameAbbr, values.gameAbbr.c_str());
  write(kGclid, values.gclid.c_str());
  for (const wchar_t* flag : kTriggerFlags) write(flag, L"0");
}

Attribution Read(const String::_tstringW& file) {
  Attribution values;
  values.transactionId = ReadValue(file, kTransactionId, kValueCapacity);
  values.offerId = ReadValue(file, kOfferId, kValueCapacity);
  values.vendorId = ReadValue(file, kVendorId, kValueCapacity);
  values.gameAbbr = ReadValue(file, kGameAbbr, kGameAbbrCapacity);
  values.gclid = ReadValue(file, kGclid, kValueCapacity);
  return values;
}

}  // namespace attribution
