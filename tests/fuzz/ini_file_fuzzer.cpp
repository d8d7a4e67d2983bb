// The profile (INI) functions of the POSIX stand-in over a fuzzed file: every key
// of every section reads back through GetPrivateProfileStringW, a short buffer
// truncates, and WritePrivateProfileStringW of one key changes that key only,
// keeping every other value of the file. The program's own edit of the bytes
// (ProfileText, as Register.ini is written) must do the same, as the stand-in's
// reader sees it.
//
// Input: a section name, a key name and a value (each ended by NUL, reduced to a
// small alphabet), then the file's bytes.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/fuzz_scratch.h"
#include "fuzz/fuzz_support.h"
#include "platform/posix/profile_document.h"
#include "platform/posix/utf.h"
#include "platform/profile_text.h"
#include "platform/win32.h"

namespace {

using qiv::posix::ProfileDocument;
constexpr DWORD kCapacity = 4096;

std::wstring Name(const std::string& raw) {
  static const wchar_t kAlphabet[] = L"abAB_ 1";
  std::wstring name;
  for (char c : raw) name.push_back(kAlphabet[static_cast<unsigned char>(c) % 7]);
  while (!name.empty() && name.back() == L' ') name.pop_back();
  while (!name.empty() && name.front() == L' ') name.erase(0, 1);
  return name.empty() ? L"k" : name;
}

// The name a lookup resolves: blanks around it do not count and case does not
// matter, as on Windows. A header such as "[a\f]" is thus reached as "a" — by the
// first section of that name, which need not be the header itself.
std::wstring Resolved(std::wstring text) {
  const auto blank = [](wchar_t unit) {
    return unit == L' ' || unit == L'\t' || unit == L'\r' || unit == L'\v' || unit == L'\f';
  };
  while (!text.empty() && blank(text.back())) text.pop_back();
  size_t start = 0;
  while (start < text.size() && blank(text[start])) ++start;
  text.erase(0, start);
  for (wchar_t& unit : text) {
    if (unit >= L'A' && unit <= L'Z') unit = static_cast<wchar_t>(unit + 0x20);
  }
  return text;
}

std::wstring Read(const std::wstring& section, const std::wstring& key, const std::wstring& file,
                  DWORD capacity = kCapacity) {
  std::vector<wchar_t> buffer(capacity);
  const DWORD count = GetPrivateProfileStringW(section.c_str(), key.c_str(), L"\x01missing",
                                               buffer.data(), capacity, file.c_str());
  FUZZ_CHECK(count < capacity && buffer[count] == 0);
  return std::wstring(buffer.data(), count);
}

// Every (section, key) the file names, as lookups resolve them, with its value as read. Names
// holding a NUL cannot be passed to the functions and are left out.
std::map<std::pair<std::wstring, std::wstring>, std::wstring> Snapshot(const std::string& bytes,
                                                                       const std::wstring& file) {
  std::map<std::pair<std::wstring, std::wstring>, std::wstring> values;
  const ProfileDocument document = ProfileDocument::FromBytes(bytes);
  for (const std::wstring& section : document.SectionNames()) {
    const auto keys = document.KeyNames(section);
    if (!keys || section.find(L'\0') != std::wstring::npos) continue;
    for (const std::wstring& key : *keys) {
      if (key.find(L'\0') != std::wstring::npos) continue;
      values[{Resolved(section), Resolved(key)}] = Read(section, key, file);
    }
  }
  return values;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Input in(data, size);
  const std::wstring section = Name(in.Until('\0'));
  const std::wstring key = Name(in.Until('\0'));
  std::wstring value = Name(in.Until('\0'));
  const std::string bytes = in.Rest();
  const std::string path = fuzz::ScratchDirectory() + "/profile.ini";
  fuzz::WriteBytes(path, bytes);
  const std::wstring file = L"Z:" + qiv::posix::Utf8ToUtf16(path);

  const auto before = Snapshot(bytes, file);
  for (const auto& [names, text] : before) {
    // A short buffer keeps the first units.
    const DWORD capacity = static_cast<DWORD>(text.size() / 2 + 1);
    FUZZ_CHECK(Read(names.first, names.second, file, capacity) == text.substr(0, capacity - 1));
  }

  FUZZ_CHECK(WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(),
                                        file.c_str()) == TRUE);
  FUZZ_CHECK(Read(section, key, file) == value);
  auto others = before;
  others.erase({Resolved(section), Resolved(key)});
  auto after = Snapshot(fuzz::ReadBytes(path), file);
  after.erase({Resolved(section), Resolved(key)});
  FUZZ_CHECK(after == others);

  qiv::platform::ProfileText text(bytes);
  text.Set(section, key, value);
  fuzz::WriteBytes(path, text.Bytes());
  FUZZ_CHECK(Read(section, key, file) == value);
  auto edited = Snapshot(text.Bytes(), file);
  edited.erase({Resolved(section), Resolved(key)});
  FUZZ_CHECK(edited == others);
  return 0;
}
