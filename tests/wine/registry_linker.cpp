// Makes and inspects registry links in HKEY_CURRENT_USER, as any standard user can
// make one in a key they may write (REG_OPTION_CREATE_LINK, then the target's native
// path as "SymbolicLinkValue" of type REG_LINK).
//
//   qiv_registry_linker.exe make LINK TARGET   LINK becomes a link to TARGET; exit 0
//   qiv_registry_linker.exe is-link KEY        exit 0: KEY is a link, 1: a plain key,
//                                              2: there is no KEY
// LINK, TARGET and KEY are paths below HKEY_CURRENT_USER.
#include <windows.h>
// After windows.h, which it needs.
#include <sddl.h>

#include <cstdio>
#include <string>

namespace {

std::wstring UserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return L"";
  BYTE buffer[256];
  DWORD size = sizeof buffer;
  std::wstring sid;
  wchar_t* text = nullptr;
  if (GetTokenInformation(token, TokenUser, buffer, size, &size) &&
      ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
    sid = text;
    LocalFree(text);
  }
  CloseHandle(token);
  return sid;
}

int Make(const wchar_t* link, const wchar_t* target) {
  const std::wstring native = L"\\Registry\\User\\" + UserSid() + L"\\" + target;
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, link, 0, nullptr, REG_OPTION_CREATE_LINK,
                      KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    std::fputs("cannot create the link key\n", stderr);
    return 1;
  }
  const LSTATUS set = RegSetValueExW(key, L"SymbolicLinkValue", 0, REG_LINK,
                                     reinterpret_cast<const BYTE*>(native.c_str()),
                                     static_cast<DWORD>(native.size() * sizeof(wchar_t)));
  RegCloseKey(key);
  if (set != ERROR_SUCCESS) {
    std::fputs("cannot set the link's target\n", stderr);
    return 1;
  }
  return 0;
}

int IsLink(const wchar_t* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path, REG_OPTION_OPEN_LINK, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return 2;
  }
  DWORD type = REG_NONE;
  const bool link = RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
                        ERROR_SUCCESS &&
                    type == REG_LINK;
  RegCloseKey(key);
  return link ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"make" && argc == 4) return Make(argv[2], argv[3]);
  if (command == L"is-link" && argc == 3) return IsLink(argv[2]);
  std::fputs("usage: qiv_registry_linker.exe make LINK TARGET | is-link KEY\n", stderr);
  return 3;
}
