// UrlEncode over arbitrary bytes: only letters, digits and the thirteen URL
// characters pass as they are, a space is %20, every other byte is % and two
// lower-case hex digits; decoding the result gives the input back.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "web/web_service.h"

namespace {

bool Passes(unsigned char byte) {
  const bool alphanumeric =
      (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9');
  return alphanumeric || (byte != 0 && std::strchr(".-_=&/?:;+$,@", byte) != nullptr);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;  // upper-case digits are not written
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string encoded = UrlEncode(input);

  std::string decoded;
  size_t i = 0;
  while (i < encoded.size()) {
    const unsigned char byte = static_cast<unsigned char>(encoded[i]);
    if (byte != '%') {
      FUZZ_CHECK(Passes(byte));
      decoded.push_back(static_cast<char>(byte));
      ++i;
      continue;
    }
    FUZZ_CHECK(i + 2 < encoded.size());
    const int high = HexValue(encoded[i + 1]);
    const int low = HexValue(encoded[i + 2]);
    FUZZ_CHECK(high >= 0 && low >= 0);
    const unsigned char original = static_cast<unsigned char>(high * 16 + low);
    FUZZ_CHECK(!Passes(original));
    decoded.push_back(static_cast<char>(original));
    i += 3;
  }
  FUZZ_CHECK(decoded == input);
  return 0;
}
