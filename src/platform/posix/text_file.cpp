#include "platform/posix/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/utf.h"

namespace qiv::posix {

namespace {

std::string Utf16LeToUtf8(const std::string& bytes, size_t offset) {
  std::wstring units;
  units.reserve((bytes.size() - offset) / 2);
  for (size_t i = offset; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return Utf16ToUtf8(units);
}

std::string Utf8ToUtf16Le(const std::string& text) {
  const std::wstring units = Utf8ToUtf16(text);
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (wchar_t unit : units) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
  }
  return bytes;
}

bool StartsWith(const std::string& bytes, const char* prefix, size_t length) {
  return bytes.size() >= length && bytes.compare(0, length, prefix, length) == 0;
}

}  // namespace

TextDocument DecodeText(const std::string& bytes) {
  TextDocument document;
  std::string text;
  if (StartsWith(bytes, "\xFF\xFE", 2)) {
    document.format.encoding = TextFormat::Encoding::kUtf16Le;
    document.format.byteOrderMark = true;
    text = Utf16LeToUtf8(bytes, 2);
  } else if (StartsWith(bytes, "\xEF\xBB\xBF", 3)) {
    document.format.byteOrderMark = true;
    text = bytes.substr(3);
  } else {
    text = bytes;
  }

  const size_t firstBreak = text.find('\n');
  if (firstBreak != std::string::npos) {
    document.format.lineEnd = (firstBreak > 0 && text[firstBreak - 1] == '\r') ? "\r\n" : "\n";
  }
  document.format.finalLineEnd = text.empty() || text.back() == '\n';

  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t lineEnd = end;
    if (lineEnd > start && text[lineEnd - 1] == '\r') --lineEnd;
    document.lines.push_back(text.substr(start, lineEnd - start));
    start = end + 1;
  }
  return document;
}

std::string EncodeText(const TextDocument& document) {
  std::string text;
  for (size_t i = 0; i < document.lines.size(); ++i) {
    text += document.lines[i];
    if (i + 1 < document.lines.size() || document.format.finalLineEnd) {
      text += document.format.lineEnd;
    }
  }
  // Built by appending: GCC 12 misreads operator+ on temporaries here as an
  // overlapping copy when optimising (-Werror=restrict).
  std::string encoded;
  if (document.format.encoding == TextFormat::Encoding::kUtf16Le) {
    if (document.format.byteOrderMark) encoded.append("\xFF\xFE", 2);
    encoded.append(Utf8ToUtf16Le(text));
    return encoded;
  }
  if (document.format.byteOrderMark) encoded.append("\xEF\xBB\xBF");
  encoded.append(text);
  return encoded;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  // Non-blocking so that a FIFO cannot hold the open; only regular files are read.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    const int error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    close(fd);
    errno = error;
    return false;
  }
  bytes.clear();
  char buffer[16384];
  for (;;) {
    const ssize_t count = read(fd, buffer, sizeof buffer);
    if (count < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      close(fd);
      errno = error;
      return false;
    }
    if (count == 0) break;
    bytes.append(buffer, static_cast<size_t>(count));
  }
  close(fd);
  return true;
}

}  // namespace qiv::posix
