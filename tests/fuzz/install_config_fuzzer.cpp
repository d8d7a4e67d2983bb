// The install configuration document loaded from fuzzed bytes, then both removal
// operations against a throw-away registry file and directory. The platform only
// records what it is asked to delete (deletes nothing), and every request must be
// one the guards allow: a shortcut file, or a registry key that the tree guard
// itself judges removable (so no spelling of a path can reach a protected key by
// resolving differently in the registry). A document that loads must still load
// after it was written back without its shortcuts.
//
// Input: the document's bytes.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "installconfig/install_config.h"
#include "platform/posix/deletion_hooks.h"
#include "platform/posix/registry_store.h"
#include "platform/posix/utf.h"
#include "removal/delete/document_removal.h"
#include "removal/registry_tree_guard.h"
#include "removal/shortcut_file_guard.h"

namespace {

using qiv::posix::DeletionKind;
using qiv::posix::DeletionRequest;

// Keys below the system's trees (none of them removable) and a game's own keys.
const char kRegistry[] =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows "
    "NT\\CurrentVersion\\Fonts]\r\n\"a\"=\"1\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Game]\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\System]\r\n\"a\"=\"1\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\exefile\\shell\\open]\r\n@=\"x\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvandel\\Vantor\\Game]\r\n\"INSTALL_PATH\"=\"x\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Game\\Settings]\r\n\"a\"=\"1\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip]\r\n\"a\"=\"1\"\r\n"
    "[HKEY_CURRENT_USER\\Software\\Vendor\\Game]\r\n\"a\"=\"1\"\r\n"
    "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n\"a\"=\"1\"\r\n"
    "[HKEY_USERS\\.DEFAULT\\Control Panel\\Desktop]\r\n\"a\"=\"1\"\r\n"
    "[HKEY_CLASSES_ROOT\\*\\shell\\open]\r\n@=\"x\"\r\n"
    "[HKEY_CLASSES_ROOT\\Game.Save\\shell\\open]\r\n@=\"x\"\r\n"
    "[HKEY_CURRENT_CONFIG\\System\\CurrentControlSet]\r\n\"a\"=\"1\"\r\n";

struct Scratch {
  std::string directory;
  std::string registryFile;
  std::string documentFile;
  String::_tstringW documentPath;  // as the program names it
  std::vector<DeletionRequest> requests;
};

Scratch& TheScratch() {
  static Scratch scratch;
  return scratch;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// "HKEY_LOCAL_MACHINE\a\b" as the root key and the path below it.
bool SplitRoot(const std::wstring& target, HKEY& root, std::wstring& path) {
  const size_t slash = target.find(L'\\');
  root = ParseRootKeyName(String::_tstringW(target.substr(0, slash)));
  path = slash == std::wstring::npos ? L"" : target.substr(slash + 1);
  return target.substr(0, slash) == L"HKEY_CLASSES_ROOT" || root != HKEY_CLASSES_ROOT;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Scratch& scratch = TheScratch();
  std::string pattern = (std::filesystem::temp_directory_path() / "qiv-fuzz-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  scratch.directory = pattern;
  std::filesystem::create_directory(scratch.directory + "/game");
  scratch.registryFile = scratch.directory + "/registry.reg";
  scratch.documentFile = scratch.directory + "/game/appinstallconfig.xml";
  std::wstring path = L"Z:" + qiv::posix::Utf8ToUtf16(scratch.documentFile);
  for (wchar_t& unit : path) {
    if (unit == L'/') unit = L'\\';
  }
  scratch.documentPath = path;
  setenv("QIV_REGISTRY_FILE", scratch.registryFile.c_str(), 1);
  WriteBytes(scratch.registryFile, kRegistry);
  qiv::posix::ReloadRegistry();
  qiv::posix::SetDeletionRecorder(
      [](const DeletionRequest& request) { TheScratch().requests.push_back(request); });
  // The scratch directory goes when the process ends normally.
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(TheScratch().directory, ignored);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Scratch& scratch = TheScratch();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  WriteBytes(scratch.documentFile, bytes);
  scratch.requests.clear();

  InstallConfigDocument probe;
  const bool loads = probe.Parse(bytes);
  FUZZ_CHECK(RemoveShortcuts(scratch.documentPath) == loads);
  // Written back (or left) so that it still loads.
  FUZZ_CHECK(RemoveRegistryItems(scratch.documentPath) == loads);
  // A second pass finds no shortcuts left to remove.
  const size_t firstPass = scratch.requests.size();
  FUZZ_CHECK(RemoveShortcuts(scratch.documentPath) == loads);
  for (size_t i = firstPass; i < scratch.requests.size(); ++i) {
    FUZZ_CHECK(scratch.requests[i].kind != DeletionKind::kFile);
  }

  for (const DeletionRequest& request : scratch.requests) {
    FUZZ_CHECK(request.kind != DeletionKind::kTree);
    if (request.kind == DeletionKind::kFile) {
      FUZZ_CHECK(qiv::removal::IsShortcutFilePath(request.target));
      continue;
    }
    HKEY root = nullptr;
    std::wstring path;
    FUZZ_CHECK(SplitRoot(request.target, root, path));
    if (!qiv::removal::IsRegistryTreeRemovable(root, path)) {
      std::fprintf(stderr, "refused key requested: %s\n",
                   qiv::posix::Utf16ToUtf8(request.target).c_str());
      FUZZ_CHECK(false);
    }
  }
  return 0;
}
