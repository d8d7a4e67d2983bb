// The program's two string classes and the conversions between the encodings it
// meets: UTF-16 inside, the ANSI code page at the system boundary, UTF-8 on the wire.
#pragma once

#include <string>

namespace String {

// Each routine clears its output first; failures leave it empty.
void AnsiToWide(const char* input, std::wstring& output);
void WideToAnsi(const wchar_t* input, std::string& output);
void WideToUtf8(const wchar_t* input, std::string& output);
void Utf8ToWide(const char* input, std::wstring& output);
void Base64Decode(const char* input, std::string& output);

// True when the format is usable and holds exactly `expected` conversions.
bool CheckFormat(int expected, const char* format);
bool CheckFormat(int expected, const wchar_t* format);

class _tstringW : public std::wstring {
 public:
  _tstringW() = default;
  _tstringW(const wchar_t* text);
  _tstringW(const char* text);
  _tstringW(const _tstringW& other) = default;
  _tstringW(_tstringW&& other) noexcept = default;
  _tstringW(const std::string& text);
  _tstringW(const std::wstring& text);
  virtual ~_tstringW() = default;

  _tstringW& operator=(const char* text);
  _tstringW& operator=(const wchar_t* text);
  _tstringW& operator=(const _tstringW& other);
  _tstringW& operator=(_tstringW&& other) noexcept = default;
  _tstringW& operator=(const std::string& text);
  _tstringW& operator=(const std::wstring& text);

  void Format(int expected, const char* format, ...);
  void Format(int expected, const wchar_t* format, ...);

  std::wstring Left(unsigned n) const;
  std::wstring Right(unsigned n) const;
  int Find(wchar_t unit, unsigned start = 0) const;
  int Find(const wchar_t* text, unsigned start = 0) const;
  int ReverseFind(wchar_t unit) const;
  _tstringW& MakeLower();
  int CompareNoCase(const _tstringW& other) const;

  std::string ToAnsi() const;
  std::string ToUtf8() const;
  _tstringW& AssignUtf8(const char* text);
};

class _tstringA : public std::string {
 public:
  _tstringA() = default;
  _tstringA(const char* text);
  _tstringA(const _tstringA& other) = default;
  _tstringA(_tstringA&& other) noexcept = default;
  _tstringA& operator=(const _tstringA& other) = default;
  _tstringA& operator=(_tstringA&& other) noexcept = default;
  virtual ~_tstringA() = default;

  std::string Right(unsigned n) const;
  int Find(char byte, unsigned start = 0) const;
  _tstringA& AssignBase64(const char* text);
};

}  // namespace String
