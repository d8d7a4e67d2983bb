// The program's own UTF-8 decoder against a reference model of its documented
// rules, and against the platform's strict converter wherever the input is
// well-formed UTF-8 of the Basic Multilingual Plane.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/posix/utf.h"
#include "platform/tstring.h"

namespace {

int LeadingOnes(unsigned byte) {
  int ones = 0;
  while (ones < 8 && (byte & (0x80u >> ones)) != 0) ++ones;
  return ones;
}

// The lead byte's run of one bits gives the sequence length (none: one byte; one
// or seven and more: not a lead byte, decoding ends); the bits after the run's
// closing zero are the value's top bits; each following byte gives six more, and
// only the low 16 bits of the value are kept. A sequence cut short by the
// terminator is dropped.
std::wstring ReferenceDecode(const std::string& bytes) {
  std::wstring out;
  const size_t end = bytes.find('\0');
  const std::string text = bytes.substr(0, end);
  size_t i = 0;
  while (i < text.size()) {
    const unsigned lead = static_cast<unsigned char>(text[i]);
    const int ones = LeadingOnes(lead);
    if (ones == 1 || ones >= 7) break;
    const size_t length = ones == 0 ? 1 : static_cast<size_t>(ones);
    if (i + length > text.size()) break;
    uint32_t value = lead & (0x7Fu >> ones);
    for (size_t k = 1; k < length; ++k) {
      value = (value << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
    }
    out.push_back(static_cast<wchar_t>(value & 0xFFFF));
    i += length;
  }
  return out;
}

bool IsWellFormedBmpText(const std::string& text, const std::wstring& strict) {
  if (text.find('\0') != std::string::npos) return false;
  for (wchar_t unit : strict) {
    if (unit == 0xFFFD || unit >= 0x10000 || (unit >= 0xD800 && unit <= 0xDFFF)) return false;
  }
  return qiv::posix::Utf16ToUtf8(strict) == text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<char> input = fuzz::Terminated(bytes);

  std::wstring decoded = L"stale";
  String::Utf8ToWide(input.data(), decoded);
  FUZZ_CHECK(decoded == ReferenceDecode(bytes));

  String::_tstringW assigned(L"stale");
  assigned.AssignUtf8(input.data());
  FUZZ_CHECK(assigned == decoded);

  const std::wstring strict = qiv::posix::Utf8ToUtf16(bytes);
  if (IsWellFormedBmpText(bytes, strict)) FUZZ_CHECK(decoded == strict);
  return 0;
}
