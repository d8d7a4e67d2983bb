// A scratch directory for fuzz targets that need files, removed at exit.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fuzz {

inline const std::string& ScratchDirectory() {
  // Never destroyed: the exit handler that removes the directory still needs it.
  static const std::string* const directory = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "qiv-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchDirectory(), ignored);
    });
    return new std::string(pattern);
  }();
  return *directory;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace fuzz
