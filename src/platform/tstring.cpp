#include "platform/tstring.h"

#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "base/strings/case_rules.h"
#include "platform/format.h"
#include "platform/win32.h"

namespace String {

namespace {

size_t WideLength(const wchar_t* text) {
  size_t n = 0;
  while (text[n] != 0) ++n;
  return n;
}

template <typename Char>
bool CheckFormatText(int expected, const std::basic_string<Char>& format) {
  if (format.empty()) return false;
  const size_t n = format.size();
  if (format[n - 1] == Char('%') && !(n >= 2 && format[n - 2] == Char('%'))) return false;
  int count = 0;
  size_t position = 0;
  while (true) {
    position = format.find(Char('%'), position);
    if (position == std::basic_string<Char>::npos) break;
    Char next = position + 1 < n ? format[position + 1] : Char(0);
    position += 2;
    if (next != Char('%')) ++count;
    if (position >= n) break;
  }
  return count == expected;
}

}  // namespace

void AnsiToWide(const char* input, std::wstring& output) {
  output.clear();
  if (input == nullptr || *input == '\0') return;
  const size_t n = std::strlen(input);
  output.resize(n + 1);
  int converted =
      MultiByteToWideChar(CP_ACP, 0, input, static_cast<int>(n),
                          reinterpret_cast<LPWSTR>(&output[0]), static_cast<int>(n + 1));
  output.resize(converted > 0 ? static_cast<size_t>(converted) : 0);
}

void WideToAnsi(const wchar_t* input, std::string& output) {
  output.clear();
  if (input == nullptr || *input == 0) return;
  const int n = static_cast<int>(WideLength(input));
  // Measured first: a code unit takes up to three bytes in UTF-8 (code page 65001)
  // and four in GB18030, so no fixed multiple of the length is safe.
  const int needed = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(input), n, nullptr, 0,
                                         nullptr, nullptr);
  if (needed <= 0) return;
  output.resize(static_cast<size_t>(needed));
  const int converted = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(input), n,
                                            &output[0], needed, nullptr, nullptr);
  output.resize(converted > 0 ? static_cast<size_t>(converted) : 0);
}

void WideToUtf8(const wchar_t* input, std::string& output) {
  output.clear();
  if (input == nullptr) return;
  for (const wchar_t* p = input; *p != 0; ++p) {
    // Each UTF-16 unit is encoded on its own, surrogates included.
    const unsigned u = static_cast<unsigned>(*p) & 0xFFFF;
    if (u <= 0x7F) {
      output.push_back(static_cast<char>(u));
    } else if (u <= 0x7FF) {
      output.push_back(static_cast<char>(0xC0 | (u >> 6)));
      output.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    } else {
      output.push_back(static_cast<char>(0xE0 | (u >> 12)));
      output.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
      output.push_back(static_cast<char>(0x80 | (u & 0x3F)));
    }
  }
}

void Utf8ToWide(const char* input, std::wstring& output) {
  output.clear();
  if (input == nullptr || *input == '\0') return;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(input);
  while (*p != 0) {
    const unsigned char lead = *p;
    int length;
    uint16_t value;
    if (lead <= 0x7F) {
      length = 1, value = lead & 0x7F;
    } else if (lead >= 0xC0 && lead <= 0xDF) {
      length = 2, value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF7) {
      length = 4, value = lead & 0x07;
    } else if (lead >= 0xF8 && lead <= 0xFB) {
      length = 5, value = lead & 0x03;
    } else if (lead >= 0xFC && lead <= 0xFD) {
      length = 6, value = lead & 0x01;
    } else {
      return;  // a stray continuation byte, 0xFE or 0xFF ends decoding
    }
    // A sequence cut short by the terminator is dropped, never read past.
    for (int i = 1; i < length; ++i) {
      if (p[i] == 0) return;
      value = static_cast<uint16_t>((value << 6) | (p[i] & 0x3F));
    }
    output.push_back(static_cast<wchar_t>(value));
    p += length;
  }
}

void Base64Decode(const char* input, std::string& output) {
  output.clear();
  if (input == nullptr || *input == '\0') return;
  const size_t n = std::strlen(input);
  output.reserve(static_cast<size_t>(static_cast<int>(n * 3.0 / 4.0)) + 10);
  int table[256];
  for (int& entry : table) entry = -2;
  const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(alphabet[i])] = i;
  table[static_cast<unsigned char>('=')] = -1;
  unsigned accumulator = 0;
  int bits = 0;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char byte = static_cast<unsigned char>(input[i]);
    if (byte >= 0x80 || table[byte] < 0) continue;
    accumulator = ((accumulator << 6) | static_cast<unsigned>(table[byte])) & 0xFFFFFF;
    bits += 6;
    while (bits >= 8) {
      output.push_back(static_cast<char>((accumulator >> (bits - 8)) & 0xFF));
      bits -= 8;
    }
  }
}

bool CheckFormat(int expected, const char* format) {
  if (format == nullptr) return false;
  return CheckFormatText(expected, std::string(format));
}

bool CheckFormat(int expected, const wchar_t* format) {
  if (format == nullptr) return false;
  return CheckFormatText(expected, std::wstring(format));
}

// _tstringW

_tstringW::_tstringW(const wchar_t* text) {
  if (text != nullptr) assign(text);
}

_tstringW::_tstringW(const char* text) { AnsiToWide(text, *this); }

_tstringW::_tstringW(const std::string& text) { AnsiToWide(text.c_str(), *this); }

_tstringW::_tstringW(const std::wstring& text) : std::wstring(text) {}

_tstringW& _tstringW::operator=(const char* text) {
  std::wstring converted;
  AnsiToWide(text, converted);
  std::wstring::operator=(std::move(converted));
  return *this;
}

_tstringW& _tstringW::operator=(const wchar_t* text) {
  if (text == nullptr) {
    clear();
  } else {
    std::wstring::operator=(std::wstring(text));
  }
  return *this;
}

_tstringW& _tstringW::operator=(const _tstringW& other) {
  if (this != &other) std::wstring::operator=(other);
  return *this;
}

_tstringW& _tstringW::operator=(const std::string& text) { return *this = text.c_str(); }

_tstringW& _tstringW::operator=(const std::wstring& text) {
  std::wstring::operator=(text);
  return *this;
}

void _tstringW::Format(int expected, const wchar_t* format, ...) {
  clear();
  if (!CheckFormat(expected, format)) return;
  try {
    va_list args;
    va_start(args, format);
    const int length = qiv::platform::MeasureWide(format, args);
    va_end(args);
    // A failed measuring pass leaves the string empty.
    if (length <= 0) return;
    resize(static_cast<size_t>(length));
    va_start(args, format);
    const int written =
        qiv::platform::FormatWide(&(*this)[0], static_cast<size_t>(length) + 1, format, args);
    va_end(args);
    if (written != length) clear();
  } catch (...) {
    clear();
  }
}

void _tstringW::Format(int expected, const char* format, ...) {
  clear();
  if (!CheckFormat(expected, format)) return;
  try {
    va_list args;
    va_start(args, format);
    const int length = qiv::platform::MeasureNarrow(format, args);
    va_end(args);
    if (length <= 0) return;
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    buffer[static_cast<size_t>(length)] = '\0';
    va_start(args, format);
    const int written = qiv::platform::FormatNarrow(buffer.data(), buffer.size(), format, args);
    va_end(args);
    if (written != length) return;
    AnsiToWide(buffer.data(), *this);
  } catch (...) {
    clear();
  }
}

std::wstring _tstringW::Left(unsigned n) const {
  if (n >= size()) return *this;
  return substr(0, n);
}

std::wstring _tstringW::Right(unsigned n) const {
  if (n >= size()) return *this;
  return substr(size() - n);
}

int _tstringW::Find(wchar_t unit, unsigned start) const {
  if (start > size()) return -1;
  size_type found = find(unit, start);
  return found == npos ? -1 : static_cast<int>(found);
}

int _tstringW::Find(const wchar_t* text, unsigned start) const {
  if (text == nullptr || start > size()) return -1;
  size_type found = find(text, start);
  return found == npos ? -1 : static_cast<int>(found);
}

int _tstringW::ReverseFind(wchar_t unit) const {
  if (empty()) return -1;
  size_type found = rfind(unit);
  return found == npos ? -1 : static_cast<int>(found);
}

_tstringW& _tstringW::MakeLower() {
  for (wchar_t& unit : *this) unit = FoldKeywordUnit(unit);
  return *this;
}

int _tstringW::CompareNoCase(const _tstringW& other) const {
  _tstringW left(*this);
  _tstringW right(other);
  left.MakeLower();
  right.MakeLower();
  return left.compare(right);
}

std::string _tstringW::ToAnsi() const {
  std::string result;
  WideToAnsi(c_str(), result);
  return result;
}

std::string _tstringW::ToUtf8() const {
  std::string result;
  if (empty()) return result;
  WideToUtf8(c_str(), result);
  return result;
}

_tstringW& _tstringW::AssignUtf8(const char* text) {
  std::wstring decoded;
  Utf8ToWide(text, decoded);
  std::wstring::operator=(std::move(decoded));
  return *this;
}

// _tstringA

_tstringA::_tstringA(const char* text) {
  if (text != nullptr) assign(text);
}

std::string _tstringA::Right(unsigned n) const {
  if (n >= size()) return *this;
  return substr(size() - n);
}

int _tstringA::Find(char byte, unsigned start) const {
  if (start > size()) return -1;
  size_type found = find(byte, start);
  return found == npos ? -1 : static_cast<int>(found);
}

_tstringA& _tstringA::AssignBase64(const char* text) {
  std::string decoded;
  Base64Decode(text, decoded);
  std::string::operator=(std::move(decoded));
  return *this;
}

}  // namespace String
