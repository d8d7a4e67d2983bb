#include "platform/profile_conventions.h"

namespace qiv::platform {

std::wstring ProfileFilePath(const std::wstring& fileName) {
  if (fileName.find_first_of(L"\\/:") != std::wstring::npos) return fileName;
  const std::wstring directory = ProfileWindowsDirectory();
  if (directory.empty()) return std::wstring();
  return directory.back() == L'\\' ? directory + fileName : directory + L"\\" + fileName;
}

}  // namespace qiv::platform
