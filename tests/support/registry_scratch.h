// Test fixture base for code that deletes registry keys and files: a scratch
// directory with a registry file of its own, reloaded for every test, and helpers
// to name scratch paths the way the program sees them ("Z:\...").
#pragma once

#ifndef _WIN32

#include <gtest/gtest.h>

#include <string>

#include "platform/posix/registry_store.h"
#include "platform/posix/scratch.h"
#include "platform/posix/utf.h"
#include "platform/win32.h"

namespace qiv::testing {

class RegistryScratchTest : public ::testing::Test {
 protected:
  void SetUp() override { qiv::posix::ReloadRegistry(); }
  void TearDown() override { qiv::posix::ReloadRegistry(); }

  // Writes the registry file from its sections ("[HKEY_...]" lines and values).
  void WriteRegistry(const std::string& body) {
    WriteFile(registryFile_, "Windows Registry Editor Version 5.00\r\n\r\n" + body);
    qiv::posix::ReloadRegistry();
  }
  std::string RegistryText() const { return ReadFile(registryFile_); }

  static bool KeyExists(HKEY root, const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }

  // A scratch path as the program names it, and as a .reg value writes it.
  std::wstring WinPath(const std::string& relative) const {
    return WindowsPath(dir_.File(relative));
  }
  std::string RegValue(const std::string& relative) const {
    std::string escaped;
    for (char c : qiv::posix::Utf16ToUtf8(WinPath(relative))) {
      escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return escaped;
  }
  std::string Path(const std::string& relative) const { return dir_.File(relative); }

  ScratchDir dir_;
  std::string registryFile_ = dir_.File("registry.reg");
  ScopedEnv registryEnv_{"QIV_REGISTRY_FILE", registryFile_.c_str()};
};

}  // namespace qiv::testing

#endif  // _WIN32
