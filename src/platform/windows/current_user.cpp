#include "platform/current_user.h"

#include <memory>
#include <vector>

#include "platform/scoped_win32.h"
#include "platform/win32.h"

// After windows.h, whose types it uses.
#include <sddl.h>

namespace qiv::platform {

std::wstring CurrentUserSid() {
  HANDLE opened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return L"";
  const ScopedKernelObject token(opened);
  DWORD size = 0;
  GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  if (size == 0) return L"";
  std::vector<BYTE> buffer(size);
  if (!GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) return L"";
  const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(user->User.Sid, &text) || text == nullptr) return L"";
  const std::unique_ptr<wchar_t, FreeWith<LocalFree>> owned(text);
  return std::wstring(text);
}

}  // namespace qiv::platform
