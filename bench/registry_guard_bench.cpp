// Cost of judging whose a listed registry tree is (classification and the reads
// through the deletion's key), per item, over the POSIX stand-in's registry file.
//
//   registry_guard_bench SCRATCH_DIR [ROUNDS]   ->   one line per kind:
//   "<kind> <microseconds per item> <verdict>"
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/folder_contents.h"
#include "platform/posix/registry_store.h"
#include "platform/registry_key.h"
#include "removal/registry_tree_guard.h"
#include "removal/registry_tree_owner.h"

namespace {

std::string Escaped(const std::string& text) {
  std::string escaped;
  for (char c : text) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return escaped;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string scratch = argv[1];
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 2000;
  const std::string gameDir = scratch + "/Game";
  mkdir(gameDir.c_str(), 0700);
  std::ofstream(gameDir + "/game.exe") << "MZ";
  std::string game = "Z:" + gameDir;
  for (char& c : game) c = c == '/' ? '\\' : c;
  const std::string g = Escaped(game);

  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
  const std::string classes = "[HKEY_CURRENT_USER\\Software\\Classes\\";
  text += classes + ".gsave]\r\n@=\"G.Doc\"\r\n";
  text += classes + "G.Doc\\shell\\open\\command]\r\n@=\"\\\"" + g +
          "\\\\game.exe\\\" \\\"%1\\\"\"\r\n";
  text += classes + "G.Doc\\DefaultIcon]\r\n@=\"" + g + "\\\\game.exe,0\"\r\n";
  text += classes + ".zip]\r\n@=\"Arc.zip\"\r\n";
  text += classes +
          "Arc.zip\\shell\\open\\command]\r\n@=\"\\\"C:\\\\Arc\\\\arc.exe\\\" \\\"%1\\\"\"\r\n";
  const std::string uninstall =
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  text += uninstall + "G]\r\n\"InstallLocation\"=\"" + g + "\"\r\n\"DisplayName\"=\"G\"\r\n";
  text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G]\r\n\"InstallPath\"=\"" + g +
          "\"\r\n\"Language\"=\"en\"\r\n";
  text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Studio\\G\\Settings]\r\n\"Volume\"=dword:00000007\r\n";
  text +=
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Khronos\\Vulkan\\Drivers]\r\n"
      "\"C:\\\\Windows\\\\System32\\\\gpu-vk64.json\"=dword:00000000\r\n";
  // A large vendor container that names no path: every key is read.
  for (int key = 0; key < 500; ++key) {
    text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Big\\K" + std::to_string(key) +
            "]\r\n\"a\"=\"text\"\r\n\"b\"=dword:00000001\r\n";
  }
  const std::string file = scratch + "/registry.reg";
  std::ofstream(file, std::ios::binary) << text;
  setenv("QIV_REGISTRY_FILE", file.c_str(), 1);
  qiv::posix::ReloadRegistry();

  const qiv::platform::FolderContents folder(std::wstring(game.begin(), game.end()));
  const struct {
    const char* kind;
    HKEY root;
    const wchar_t* path;
  } items[] = {
      {"refused-by-path", HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"},
      {"game-extension", HKEY_CURRENT_USER, L"Software\\Classes\\.gsave"},
      {"game-class", HKEY_CURRENT_USER, L"Software\\Classes\\G.Doc"},
      {"other-extension", HKEY_CURRENT_USER, L"Software\\Classes\\.zip"},
      {"game-uninstall-entry", HKEY_LOCAL_MACHINE,
       L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\G"},
      {"game-product-key", HKEY_LOCAL_MACHINE, L"SOFTWARE\\Studio\\G"},
      {"other-container", HKEY_LOCAL_MACHINE, L"SOFTWARE\\Khronos"},
      {"container-500-keys", HKEY_LOCAL_MACHINE, L"SOFTWARE\\Big"},
  };
  for (const auto& item : items) {
    CRegistryKey root;
    if (root.Open(item.root, nullptr, KEY_READ | KEY_WRITE) != ERROR_SUCCESS) return 1;
    bool verdict = false;
    const int count = std::string(item.kind) == "container-500-keys" ? rounds / 50 + 1 : rounds;
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < count; ++round) {
      const auto owner = qiv::removal::ClassifyRegistryTree(item.root, item.path);
      verdict = qiv::removal::IsTreeTheGames(root, owner, folder);
    }
    const std::chrono::duration<double, std::micro> elapsed =
        std::chrono::steady_clock::now() - start;
    std::printf("%s %.1f %s\n", item.kind, elapsed.count() / count, verdict ? "goes" : "stays");
  }
  return 0;
}
