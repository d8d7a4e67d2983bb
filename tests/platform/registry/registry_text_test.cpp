#ifndef _WIN32

#include "platform/registry_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/registry_key.h"
#include "support/registry_scratch.h"

namespace {

using qiv::platform::ReadValueText;
using qiv::platform::TextTypes;

class RegistryTextTest : public qiv::testing::RegistryScratchTest {};

// One value per row, read by each rule; nullopt: refused.
TEST_F(RegistryTextTest, ValuesAreReadByTypeAndSize) {
  const std::string long3000 = std::string(3000, 'a');
  const struct {
    std::string value;  // .reg text after "v"=
    DWORD maxBytes;
    TextTypes types;
    std::optional<std::wstring> text;
  } rows[] = {
      {"\"abc\"", 1024, TextTypes::kStrings, L"abc"},
      {"\"\"", 1024, TextTypes::kAny, L""},
      // Unterminated, odd length: the last byte reads as a unit of its own.
      {"hex(1):41,00,42", 1024, TextTypes::kAny, L"AB"},
      {"hex(1):41,00,00,00,42,00", 1024, TextTypes::kStrings, L"A"},
      {"hex(2):25,00,54,00", 1024, TextTypes::kStrings, L"%T"},
      {"hex(7):41,00,00,00,42,00,00,00,00,00", 1024, TextTypes::kStrings, std::nullopt},
      {"hex(7):41,00,00,00,42,00,00,00,00,00", 1024, TextTypes::kStringsAndLists, L"A"},
      {"dword:00000041", 1024, TextTypes::kStrings, std::nullopt},
      {"hex:41,00", 1024, TextTypes::kAny, L"A"},
      // The limit counts the stored bytes, terminator included.
      {"hex(1):41,00,42,00", 4, TextTypes::kAny, L"AB"},
      {"hex(1):41,00,42,00,00,00", 4, TextTypes::kAny, std::nullopt},
      // Longer than the stack buffer: measured, then read from the heap.
      {"\"" + long3000 + "\"", 1 << 20, TextTypes::kStrings,
       std::wstring(long3000.begin(), long3000.end())},
      {"\"" + long3000 + "\"", 4094, TextTypes::kStrings, std::nullopt},
  };
  for (const auto& row : rows) {
    WriteRegistry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\r\n\"v\"=" + row.value + "\r\n");
    CRegistryKey key;
    ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor", KEY_QUERY_VALUE), ERROR_SUCCESS);
    EXPECT_EQ(ReadValueText(key.Handle(), L"v", row.maxBytes, row.types), row.text)
        << row.value.substr(0, 40) << " within " << row.maxBytes;
  }
}

// The common read takes strings of fewer than 2048 units with their terminator; a
// longer one is refused whole, never written past the reader's buffer.
TEST_F(RegistryTextTest, TheCommonReadRefusesLongText) {
  for (const size_t units : {2046u, 2047u, 3000u, 4094u}) {
    WriteRegistry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\r\n\"v\"=\"" + std::string(units, 'x') +
                  "\"\r\n");
    CRegistryKey key;
    ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Vendor", KEY_QUERY_VALUE), ERROR_SUCCESS);
    DWORD type = REG_NONE;
    EXPECT_EQ(qiv::platform::ReadRegistryText(key.Handle(), L"v", &type).size(),
              units < 2047 ? units : 0u)
        << units;
  }
}

}  // namespace

#endif  // _WIN32
