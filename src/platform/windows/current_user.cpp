#include "platform/current_user.h"

#include <vector>

#include "platform/win32.h"

// After windows.h, whose types it uses.
#include <sddl.h>

namespace qiv::platform {

namespace {

class ScopedToken {
 public:
  ScopedToken() {
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token_)) token_ = nullptr;
  }
  ~ScopedToken() {
    if (token_ != nullptr) CloseHandle(token_);
  }
  ScopedToken(const ScopedToken&) = delete;
  ScopedToken& operator=(const ScopedToken&) = delete;
  HANDLE Get() const { return token_; }

 private:
  HANDLE token_ = nullptr;
};

}  // namespace

std::wstring CurrentUserSid() {
  ScopedToken token;
  if (token.Get() == nullptr) return L"";
  DWORD size = 0;
  GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  if (size == 0) return L"";
  std::vector<BYTE> buffer(size);
  if (!GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) return L"";
  const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(user->User.Sid, &text) || text == nullptr) return L"";
  std::wstring sid(text);
  LocalFree(text);
  return sid;
}

}  // namespace qiv::platform
