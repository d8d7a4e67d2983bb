// Text files the stand-in reads and rewrites (registry file, profile files): their
// lines as UTF-8 plus what is needed to write them back in the form they were read
// (encoding, byte order mark, line ending, final line end).
#pragma once

#include <string>
#include <vector>

namespace qiv::posix {

struct TextFormat {
  enum class Encoding { kUtf8, kUtf16Le };
  Encoding encoding = Encoding::kUtf8;
  bool byteOrderMark = false;
  std::string lineEnd = "\r\n";
  bool finalLineEnd = true;
};

struct TextDocument {
  TextFormat format;
  std::vector<std::string> lines;  // UTF-8, without line ends
};

// UTF-16LE when the bytes start with its byte order mark, else UTF-8 (a UTF-8 byte
// order mark is dropped). UTF-8 lines keep their bytes as they are.
TextDocument DecodeText(const std::string& bytes);
std::string EncodeText(const TextDocument& document);

// Reads a whole regular file. False when it cannot be opened or read, or is not a
// regular file (a directory, a FIFO, a device); errno tells why.
bool ReadWholeFile(const std::string& path, std::string& bytes);

}  // namespace qiv::posix
