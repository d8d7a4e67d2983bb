// The program's Base64 decoder against a reference: the alphabet's characters are
// taken in order and everything else is skipped; each full group of four gives
// three bytes, a trailing group of two or three gives one or two, a lone
// character gives nothing.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/tstring.h"

namespace {

int SextetOf(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

std::string ReferenceDecode(const std::string& bytes) {
  std::vector<uint32_t> sextets;
  for (char c : bytes.substr(0, bytes.find('\0'))) {
    const int sextet = SextetOf(static_cast<unsigned char>(c));
    if (sextet >= 0) sextets.push_back(static_cast<uint32_t>(sextet));
  }
  std::string out;
  size_t i = 0;
  for (; i + 4 <= sextets.size(); i += 4) {
    const uint32_t group =
        (sextets[i] << 18) | (sextets[i + 1] << 12) | (sextets[i + 2] << 6) | sextets[i + 3];
    out.push_back(static_cast<char>(group >> 16));
    out.push_back(static_cast<char>((group >> 8) & 0xFF));
    out.push_back(static_cast<char>(group & 0xFF));
  }
  const size_t left = sextets.size() - i;
  if (left >= 2) out.push_back(static_cast<char>((sextets[i] << 2) | (sextets[i + 1] >> 4)));
  if (left == 3) {
    out.push_back(static_cast<char>(((sextets[i + 1] & 0x0F) << 4) | (sextets[i + 2] >> 2)));
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<char> input = fuzz::Terminated(bytes);

  std::string decoded = "stale";
  String::Base64Decode(input.data(), decoded);
  FUZZ_CHECK(decoded == ReferenceDecode(bytes));

  String::_tstringA assigned("stale");
  assigned.AssignBase64(input.data());
  FUZZ_CHECK(assigned == decoded);
  return 0;
}
