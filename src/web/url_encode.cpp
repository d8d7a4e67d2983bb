#include <string>

#include "web/web_service.h"

namespace {

bool IsKeptAsIs(unsigned char byte) {
  if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
      (byte >= '0' && byte <= '9')) {
    return true;
  }
  switch (byte) {
    case '.':
    case '-':
    case '_':
    case '=':
    case '&':
    case '/':
    case '?':
    case ':':
    case ';':
    case '+':
    case '$':
    case ',':
    case '@':
      return true;
    default:
      return false;
  }
}

}  // namespace

// Encodes the text whole, URL delimiters included, so callers pass URLs unencoded.
std::string UrlEncode(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string encoded;
  encoded.reserve(text.size());
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (IsKeptAsIs(byte)) {
      encoded.push_back(c);
    } else if (byte == ' ') {
      encoded += "%20";
    } else {
      encoded.push_back('%');
      encoded.push_back(kHex[byte >> 4]);
      encoded.push_back(kHex[byte & 0x0F]);
    }
  }
  return encoded;
}
