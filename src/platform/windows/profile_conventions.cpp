#include "platform/profile_conventions.h"

#include "platform/win32.h"

namespace qiv::platform {

std::wstring ProfileWindowsDirectory() {
  wchar_t directory[MAX_PATH + 1] = {};
  const UINT length = GetWindowsDirectoryW(directory, MAX_PATH + 1);
  if (length == 0 || length > MAX_PATH) return std::wstring();
  return std::wstring(directory, length);
}

std::wstring DecodeProfileBytes(const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, text.data(), length);
  return text;
}

std::string EncodeProfileText(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
  return bytes;
}

}  // namespace qiv::platform
