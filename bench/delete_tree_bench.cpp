// Cost of CRegistryKey::DeleteTree over the POSIX stand-in's registry file, for a
// wide tree (one key with N subkeys) or a deep one (a chain of N keys).
//
//   delete_tree_bench wide|deep N SCRATCH_DIR   ->   "<milliseconds> <registry file bytes>"
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/posix/registry_store.h"
#include "platform/registry_key.h"

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  const std::string shape = argv[1];
  const int count = std::atoi(argv[2]);
  const std::string file = std::string(argv[3]) + "/registry.reg";
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
  const std::string tree = "[HKEY_CURRENT_USER\\Software\\Bench\\Tree";
  if (shape == "wide") {
    for (int key = 0; key < count; ++key) {
      text += tree + "\\Key" + std::to_string(key) + "]\r\n\"Value\"=\"data\"\r\n\r\n";
    }
  } else {
    std::string path = tree;
    for (int level = 0; level < count; ++level) path += "\\L";
    text += path + "]\r\n\"Value\"=\"data\"\r\n\r\n";
  }
  text += "[HKEY_CURRENT_USER\\Software\\Bench\\Kept]\r\n\"Value\"=\"data\"\r\n";
  std::ofstream(file, std::ios::binary) << text;
  setenv("QIV_REGISTRY_FILE", file.c_str(), 1);
  qiv::posix::ReloadRegistry();

  CRegistryKey bench;
  if (bench.Open(HKEY_CURRENT_USER, L"Software\\Bench", KEY_READ | KEY_WRITE) != ERROR_SUCCESS) {
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  const LONG status = bench.DeleteTree(L"Tree");
  const std::chrono::duration<double, std::milli> elapsed =
      std::chrono::steady_clock::now() - start;
  if (status != ERROR_SUCCESS) return 1;
  std::printf("%.2f %zu\n", elapsed.count(), text.size());
  return 0;
}
