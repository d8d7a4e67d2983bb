// The program's own UTF-8 encoder: every UTF-16 unit on its own, in one, two or
// three bytes (surrogates included), and the program's decoder gives the units back.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/posix/utf.h"
#include "platform/tstring.h"

namespace {

// The bytes of one unit: the lead byte carries the length as a run of one bits,
// then six bits per continuation byte, most significant first.
std::string ReferenceEncodeUnit(unsigned unit) {
  const int length = unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
  if (length == 1) return std::string(1, static_cast<char>(unit));
  std::string out;
  const unsigned leadMark = (0xFF00u >> length) & 0xFFu;
  out.push_back(static_cast<char>(leadMark | (unit >> (6 * (length - 1)))));
  for (int k = length - 2; k >= 0; --k) {
    out.push_back(static_cast<char>(0x80u | ((unit >> (6 * k)) & 0x3Fu)));
  }
  return out;
}

bool HasSurrogate(const std::wstring& units) {
  for (wchar_t unit : units) {
    if (unit >= 0xD800 && unit <= 0xDFFF) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  std::wstring units;
  while (in.Remaining() >= 2) {
    const uint16_t unit = in.Unit16();
    if (unit == 0) break;  // the text ends at its terminator
    units.push_back(static_cast<wchar_t>(unit));
  }
  const std::vector<wchar_t> input = fuzz::Terminated(units);

  std::string encoded = "stale";
  String::WideToUtf8(input.data(), encoded);
  std::string expected;
  for (wchar_t unit : units) expected += ReferenceEncodeUnit(static_cast<unsigned>(unit));
  FUZZ_CHECK(encoded == expected);

  const String::_tstringW text(units);
  FUZZ_CHECK(text.ToUtf8() == encoded);

  std::wstring back;
  String::Utf8ToWide(encoded.c_str(), back);
  FUZZ_CHECK(back == units);

  // Without surrogates the result is ordinary UTF-8.
  if (!HasSurrogate(units)) FUZZ_CHECK(encoded == qiv::posix::Utf16ToUtf8(units));
  return 0;
}
