// Prints a program's version resource as the system reads it, one "Name=value" line
// each: the fixed file and product versions, then the string values of the first
// translation, so that the Wine suite can check what Explorer and installers show.
//
//   qiv_version_reader.exe PROGRAM
//
// Exit status 1 when the program has no readable version resource.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void PrintUtf8(const std::wstring& text) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0], length,
                      nullptr, nullptr);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

std::wstring Dotted(DWORD high, DWORD low) {
  return std::to_wstring(HIWORD(high)) + L"." + std::to_wstring(LOWORD(high)) + L"." +
         std::to_wstring(HIWORD(low)) + L"." + std::to_wstring(LOWORD(low));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(argv[1], &ignored);
  if (size == 0) return 1;
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(argv[1], 0, size, data.data())) return 1;

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) &&
      length >= sizeof(VS_FIXEDFILEINFO)) {
    PrintUtf8(L"FixedFileVersion=" + Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS) +
              L"\nFixedProductVersion=" +
              Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS) + L"\n");
  }
  struct Translation {
    WORD language;
    WORD codePage;
  }* translation = nullptr;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translation), &length) ||
      length < sizeof(Translation)) {
    return 1;
  }
  wchar_t block[64];
  swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation->language,
           translation->codePage);
  for (const wchar_t* name : {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName",
                              L"OriginalFilename", L"ProductName", L"ProductVersion"}) {
    wchar_t* value = nullptr;
    if (VerQueryValueW(data.data(), (std::wstring(block) + name).c_str(),
                       reinterpret_cast<void**>(&value), &length)) {
      PrintUtf8(std::wstring(name) + L"=" + value + L"\n");
    }
  }
  return 0;
}
