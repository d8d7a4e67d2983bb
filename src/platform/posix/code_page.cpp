// CP_ACP conversions over iconv. The ANSI code page is QIV_ACP when set, else the
// codeset of the locale. Like Windows without MB_ERR_INVALID_CHARS, conversion never
// fails on bad input: undecodable bytes become U+FFFD, unmappable units become '?'.
#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/code_page_hooks.h"
#include "platform/win32.h"

namespace {

constexpr char16_t kReplacementWide = 0xFFFD;
constexpr char kReplacementNarrow = '?';

std::string AnsiCodePageName() {
  const char* configured = std::getenv("QIV_ACP");
  if (configured != nullptr && *configured != '\0') return configured;
  std::setlocale(LC_CTYPE, "");
  const char* codeset = nl_langinfo(CODESET);
  return (codeset != nullptr && *codeset != '\0') ? codeset : "ANSI_X3.4-1968";
}

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// One pair of converters for the process; the code page does not change while it runs.
class Converters {
 public:
  static Converters& Get() {
    static Converters instance;
    return instance;
  }
  std::mutex mutex;
  iconv_t toUtf16 = kNoConverter;
  iconv_t fromUtf16 = kNoConverter;

  // An unknown code page name falls back to Windows-1252, the usual Western default.
  void Open(const std::string& name) {
    Close();
    toUtf16 = iconv_open("UTF-16LE", name.c_str());
    fromUtf16 = iconv_open(name.c_str(), "UTF-16LE");
    if (toUtf16 == kNoConverter) toUtf16 = iconv_open("UTF-16LE", "CP1252");
    if (fromUtf16 == kNoConverter) fromUtf16 = iconv_open("CP1252", "UTF-16LE");
  }

 private:
  Converters() { Open(AnsiCodePageName()); }
  ~Converters() { Close(); }
  void Close() {
    if (toUtf16 != kNoConverter) iconv_close(toUtf16);
    if (fromUtf16 != kNoConverter) iconv_close(fromUtf16);
    toUtf16 = fromUtf16 = kNoConverter;
  }
};

std::u16string DecodeAnsi(const char* input, size_t length) {
  Converters& converters = Converters::Get();
  std::lock_guard<std::mutex> lock(converters.mutex);
  std::u16string result;
  iconv_t cd = converters.toUtf16;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(input);
  size_t inLeft = length;
  // Room for the whole text in one call: a byte gives at most one unit. glibc's
  // iconv redoes work on every call that fills the output, so small chunks made
  // long texts cost far more than their length.
  std::vector<char16_t> chunk(length + 16);
  while (inLeft > 0) {
    char* out = reinterpret_cast<char*>(chunk.data());
    size_t outLeft = chunk.size() * sizeof(char16_t);
    size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    result.append(chunk.data(), (chunk.size() * sizeof(char16_t) - outLeft) / sizeof(char16_t));
    if (rc == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (a sequence cut by the end): replace one byte and go on.
      result.push_back(kReplacementWide);
      ++in;
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  return result;
}

std::string EncodeAnsi(const char16_t* input, size_t length) {
  Converters& converters = Converters::Get();
  std::lock_guard<std::mutex> lock(converters.mutex);
  std::string result;
  iconv_t cd = converters.fromUtf16;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = reinterpret_cast<char*>(const_cast<char16_t*>(input));
  size_t inLeft = length * sizeof(char16_t);
  // Room for the whole text in one call (at most four bytes per unit), as above.
  std::vector<char> buffer(4 * length + 16);
  char* chunk = buffer.data();
  while (inLeft > 0) {
    char* out = chunk;
    size_t outLeft = buffer.size();
    size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    result.append(chunk, buffer.size() - outLeft);
    if (rc == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // An unmappable unit or a lone surrogate: one '?' per code unit.
      result.push_back(kReplacementNarrow);
      in += sizeof(char16_t);
      inLeft -= inLeft >= sizeof(char16_t) ? sizeof(char16_t) : inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    } else {
      // Flush any shift state.
      out = chunk;
      outLeft = buffer.size();
      iconv(cd, nullptr, nullptr, &out, &outLeft);
      result.append(chunk, buffer.size() - outLeft);
    }
  }
  return result;
}

}  // namespace

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteCount,
                        LPWSTR wide, int wideCount) {
  if (codePage != CP_ACP || flags != 0 || multiByte == nullptr || multiByteCount == 0 ||
      multiByteCount < -1 || wideCount < 0) {
    return 0;
  }
  size_t length =
      multiByteCount == -1 ? std::strlen(multiByte) + 1 : static_cast<size_t>(multiByteCount);
  std::u16string units = DecodeAnsi(multiByte, length);
  if (wideCount == 0) return static_cast<int>(units.size());
  if (units.size() > static_cast<size_t>(wideCount)) return 0;  // ERROR_INSUFFICIENT_BUFFER
  for (size_t i = 0; i < units.size(); ++i) wide[i] = static_cast<WCHAR>(units[i]);
  return static_cast<int>(units.size());
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideCount, LPSTR multiByte,
                        int multiByteCount, LPCSTR /*defaultChar*/, PBOOL usedDefaultChar) {
  if (usedDefaultChar != nullptr) *usedDefaultChar = FALSE;
  if (codePage != CP_ACP || flags != 0 || wide == nullptr || wideCount == 0 || wideCount < -1 ||
      multiByteCount < 0) {
    return 0;
  }
  size_t length = 0;
  if (wideCount == -1) {
    while (wide[length] != 0) ++length;
    ++length;
  } else {
    length = static_cast<size_t>(wideCount);
  }
  // Units wider than 16 bits cannot occur in UTF-16 text; keep their low half.
  std::u16string units(length, u'\0');
  for (size_t i = 0; i < length; ++i) units[i] = static_cast<char16_t>(wide[i] & 0xFFFF);
  std::string bytes = EncodeAnsi(units.data(), units.size());
  if (multiByteCount == 0) return static_cast<int>(bytes.size());
  if (bytes.size() > static_cast<size_t>(multiByteCount)) return 0;
  std::memcpy(multiByte, bytes.data(), bytes.size());
  return static_cast<int>(bytes.size());
}

namespace qiv::posix {

void SetAnsiCodePageForTesting(const char* iconvName) {
  Converters& converters = Converters::Get();
  std::lock_guard<std::mutex> lock(converters.mutex);
  converters.Open(iconvName != nullptr ? std::string(iconvName) : AnsiCodePageName());
}

}  // namespace qiv::posix
